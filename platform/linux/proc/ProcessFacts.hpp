// What /proc says about a process: its name, its executable and when it started. The parsing
// is pure and tested on its own; `processFacts` reads the files. Safe from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvel::linuxdesktop {

struct ProcessFacts {
    // The name a person knows the program by (see `displayName`).
    std::string name;
    // The executable's file name without its folder; the process name when it is unreadable.
    std::string executable;
    // Seconds since 1970; absent when /proc does not say.
    std::optional<double> startedAt;
};

// Absent when there is no such process.
std::optional<ProcessFacts> processFacts(std::int32_t pid);

// The start time in clock ticks after boot: field 22 of /proc/<pid>/stat. The command name in
// field 2 may hold spaces and parentheses, so the fields are counted from its last ')'.
std::optional<std::uint64_t> startTicks(std::string_view statLine);

// The boot time in seconds since 1970: the "btime" line of /proc/stat.
std::optional<std::int64_t> bootTime(std::string_view procStat);

// The executable's file name, unless the process renamed itself (its 15-character process
// name is then not the start of the executable's name, as for a script run by an
// interpreter that names itself): then the process name.
std::string displayName(std::string_view processName, std::string_view executable);

} // namespace orvel::linuxdesktop
