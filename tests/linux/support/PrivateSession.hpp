// The private desktop session (scripts/desktop-session) as the Linux suites see it: whether
// the test runs inside one, the desktop options it gives, and its lock-service double.
//
// A suite that drives a real desktop runs only when ORVEL_PRIVATE_DESKTOP names the display
// it is on, which only the session script sets: a test never touches the person's own desktop.
#pragma once

#include "platform/linux/LinuxDesktopOptions.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvel::testing {

class PrivateSession {
  public:
    // Empty inside the session; outside one, the reason the test cannot run.
    static std::string missing();

    // The Linux desktop's options inside the session; absent with `whyNot` set outside one.
    static std::optional<linuxdesktop::LinuxDesktopOptions> desktopOptions(std::string& whyNot);

    // The session runs a window manager (scripts/desktop-session without --no-window-manager).
    static bool hasWindowManager();

    // The pid of the process that owns `name` on the system bus (for the lock double); 0 when
    // none does.
    static std::int32_t systemBusOwner(const std::string& name);

    // Calls a method of the lock-service double's control interface (SetLocked,
    // SetScreensaverActive, SetSessionActive, SetPresent) with dbus-send arguments
    // ("boolean:true"); true when it answered.
    static bool callLockDouble(const std::string& method,
                               const std::vector<std::string>& arguments);
};

// The reason a test cannot run outside the private session, empty inside one.
inline std::string privateSessionMissing() {
    return PrivateSession::missing();
}

#define ORVEL_REQUIRE_PRIVATE_SESSION()                                                            \
    do {                                                                                           \
        if (auto missing = ::orvel::testing::privateSessionMissing(); !missing.empty()) {          \
            GTEST_SKIP() << missing;                                                               \
        }                                                                                          \
    } while (false)

} // namespace orvel::testing
