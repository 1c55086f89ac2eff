// The Linux desktop the environment names (DISPLAY, the buses, ORVEL_SCREEN_LOCK), with the
// accessibility service the program uses on it.
#pragma once

#include "platform/Backend.hpp"
#include "platform/Environment.hpp"

#include <memory>
#include <string>

namespace orvel::linuxdesktop {

// Null with `error` set to a one-line reason when the desktop cannot be used.
std::unique_ptr<platform::Backend> desktopFromEnvironment(const platform::EnvironmentLookup& env,
                                                          std::string& error);

} // namespace orvel::linuxdesktop
