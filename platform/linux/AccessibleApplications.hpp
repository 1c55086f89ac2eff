// The applications the accessibility bus knows, as the Linux desktop's workspace needs them:
// the registry's applications with the process behind each bus connection. The AT-SPI
// accessibility service provides it; the workspace merges it with the X server's window owners.
//
// Safe to call from any thread; every call asks the bus again, bounded by a short time-out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvel::linuxdesktop {

struct AccessibleApplication {
    std::int32_t pid = 0;
    // The application's accessible name, when it gives one.
    std::optional<std::string> name;
};

class AccessibleApplications {
  public:
    virtual ~AccessibleApplications() = default;

    // The registry's applications, in the registry's order; empty when the bus does not answer.
    virtual std::vector<AccessibleApplication> accessibleApplications() = 0;
};

} // namespace orvel::linuxdesktop
