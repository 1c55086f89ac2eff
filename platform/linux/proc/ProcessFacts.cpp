#include "platform/linux/proc/ProcessFacts.hpp"

#include <charconv>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace orvel::linuxdesktop {

namespace {

constexpr int startTimeField = 22;

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string withoutTrailingNewline(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

std::optional<std::string> executableName(std::int32_t pid) {
    char target[4096];
    const auto path = "/proc/" + std::to_string(pid) + "/exe";
    const auto length = readlink(path.c_str(), target, sizeof target - 1);
    if (length <= 0) {
        return std::nullopt;
    }
    std::string file(target, static_cast<std::size_t>(length));
    constexpr std::string_view deleted = " (deleted)";
    if (file.size() > deleted.size() && file.ends_with(deleted)) {
        file.resize(file.size() - deleted.size());
    }
    const auto slash = file.rfind('/');
    return slash == std::string::npos ? file : file.substr(slash + 1);
}

template <class Number> std::optional<Number> number(std::string_view text) {
    Number value{};
    const auto* end = text.data() + text.size();
    const auto [stop, problem] = std::from_chars(text.data(), end, value);
    if (problem != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> startedAt(std::int32_t pid) {
    const auto stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const auto system = readFile("/proc/stat");
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    if (!stat || !system || ticksPerSecond <= 0) {
        return std::nullopt;
    }
    const auto ticks = startTicks(*stat);
    const auto boot = bootTime(*system);
    if (!ticks || !boot) {
        return std::nullopt;
    }
    return static_cast<double>(*boot) +
           static_cast<double>(*ticks) / static_cast<double>(ticksPerSecond);
}

} // namespace

std::optional<std::uint64_t> startTicks(std::string_view statLine) {
    const auto close = statLine.rfind(')');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view rest = statLine.substr(close + 1);
    // The field after the name is field 3.
    int field = 2;
    while (!rest.empty()) {
        const auto start = rest.find_first_not_of(' ');
        if (start == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(start);
        const auto end = rest.find_first_of(" \n");
        const auto token = rest.substr(0, end);
        if (++field == startTimeField) {
            return number<std::uint64_t>(token);
        }
        if (end == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(end);
    }
    return std::nullopt;
}

std::optional<std::int64_t> bootTime(std::string_view procStat) {
    constexpr std::string_view key = "btime ";
    std::size_t at = 0;
    while (at < procStat.size()) {
        auto end = procStat.find('\n', at);
        if (end == std::string_view::npos) {
            end = procStat.size();
        }
        const auto line = procStat.substr(at, end - at);
        if (line.starts_with(key)) {
            return number<std::int64_t>(line.substr(key.size()));
        }
        at = end + 1;
    }
    return std::nullopt;
}

std::string displayName(std::string_view processName, std::string_view executable) {
    if (executable.empty() || !executable.starts_with(processName)) {
        return std::string(processName);
    }
    return std::string(executable);
}

std::optional<ProcessFacts> processFacts(std::int32_t pid) {
    if (pid <= 0) {
        return std::nullopt;
    }
    auto comm = readFile("/proc/" + std::to_string(pid) + "/comm");
    if (!comm) {
        return std::nullopt;
    }
    const auto processName = withoutTrailingNewline(*comm);
    const auto executable = executableName(pid);
    ProcessFacts facts;
    facts.name = displayName(processName, executable.value_or(""));
    facts.executable = executable.value_or(processName);
    facts.startedAt = startedAt(pid);
    return facts;
}

} // namespace orvel::linuxdesktop
