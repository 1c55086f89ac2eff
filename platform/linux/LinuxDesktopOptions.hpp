// What the Linux desktop needs to know before it opens anything: the X display, the two
// buses it reads the lock state from, and whether the person declared that the desktop has no
// screen lock. Read from the environment by a pure function, so that every refusal can be
// tested without a desktop.
#pragma once

#include "platform/Environment.hpp"
#include "platform/profiles/LinuxProfile.hpp"

#include <optional>
#include <string>

namespace orvel::linuxdesktop {

struct LinuxDesktopOptions {
    // The X display name (DISPLAY).
    std::string display;
    // The session bus (the screensaver service); empty when the environment names none.
    std::string sessionBusAddress;
    // The system bus (logind's sessions).
    std::string systemBusAddress;
    platform::LockSource lockSource = platform::LockSource::sessionAndScreensaver;
    // The environment is a Wayland session (its X server, if any, sees only X clients).
    bool waylandSession = false;
};

// The options the environment gives; absent with `error` set to a one-line reason when the
// desktop cannot be used from it (no DISPLAY, said clearly for a Wayland session; an
// ORVEL_SCREEN_LOCK value other than "none").
std::optional<LinuxDesktopOptions> readLinuxDesktopOptions(const platform::EnvironmentLookup& env,
                                                           std::string& error);

// The refusal for a display that cannot be opened, naming a Wayland session where there is one.
std::string displayRefusal(const LinuxDesktopOptions& options);

} // namespace orvel::linuxdesktop
