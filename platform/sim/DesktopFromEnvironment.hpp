// The simulated desktop the environment names: ORVEL_SIM_DESKTOP's scenario file, else the
// built-in scenario, with ORVEL_SIM_EVENT_LOG's event log when it is set.
#pragma once

#include "platform/Backend.hpp"

#include <memory>
#include <string>

namespace orvel::sim {

// Null with `error` set to a one-line reason when the scenario or the log cannot be used.
std::unique_ptr<platform::Backend> desktopFromEnvironment(std::string& error);

} // namespace orvel::sim
