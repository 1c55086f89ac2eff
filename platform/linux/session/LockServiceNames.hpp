// The bus names, paths and interfaces of the two lock sources, shared by the reader and the
// signal watcher.
#pragma once

#include <array>

namespace orvel::linuxdesktop {

namespace logind {
inline constexpr const char* service = "org.freedesktop.login1";
inline constexpr const char* managerPath = "/org/freedesktop/login1";
inline constexpr const char* managerInterface = "org.freedesktop.login1.Manager";
inline constexpr const char* sessionInterface = "org.freedesktop.login1.Session";
inline constexpr const char* noSessionForPid = "org.freedesktop.login1.NoSessionForPID";
} // namespace logind

namespace screensaver {
inline constexpr const char* service = "org.freedesktop.ScreenSaver";
inline constexpr const char* interface = "org.freedesktop.ScreenSaver";
inline constexpr std::array<const char*, 2> paths = {"/org/freedesktop/ScreenSaver",
                                                     "/ScreenSaver"};
} // namespace screensaver

} // namespace orvel::linuxdesktop
