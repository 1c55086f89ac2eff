// The process behind each application's connection to the accessibility bus. A unique bus
// name is never given to another connection while the bus runs, so its pid, once known,
// stays true; only the name's owner can end, which the next call through it will tell.
//
// Threading: one mutex guards the map; safe from any thread.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace orvel::linuxdesktop {

class PidCache {
  public:
    std::optional<std::int32_t> find(const std::string& uniqueName) const;
    void remember(const std::string& uniqueName, std::int32_t pid);

  private:
    // Applications come and go; past this many names the oldest knowledge is dropped.
    static constexpr std::size_t mostNames = 4096;

    mutable std::mutex lock_;
    std::map<std::string, std::int32_t> pids_; // guarded by lock_
};

} // namespace orvel::linuxdesktop
