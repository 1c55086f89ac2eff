#include "platform/sim/DesktopFromEnvironment.hpp"

#include "platform/sim/DefaultScenario.hpp"
#include "platform/sim/SimulatedDesktop.hpp"

#include <cstdlib>

namespace orvel::sim {

std::unique_ptr<platform::Backend> desktopFromEnvironment(std::string& error) {
    DesktopOptions options;
    if (const char* logPath = std::getenv("ORVEL_SIM_EVENT_LOG"); logPath && *logPath) {
        options.eventLogPath = logPath;
    }
    if (const char* scenarioPath = std::getenv("ORVEL_SIM_DESKTOP");
        scenarioPath && *scenarioPath) {
        return SimulatedDesktop::loadFile(scenarioPath, error, options);
    }
    return SimulatedDesktop::load(defaultScenarioText, error, options);
}

} // namespace orvel::sim
