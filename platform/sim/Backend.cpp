// The simulated desktop as the program's backend, chosen from the environment.
#include "platform/Backend.hpp"

#include "platform/sim/DefaultScenario.hpp"
#include "platform/sim/SimulatedDesktop.hpp"

#include <cstdlib>

namespace orvel::platform {

std::unique_ptr<Backend> makeBackend(std::string& error) {
    sim::DesktopOptions options;
    if (const char* logPath = std::getenv("ORVEL_SIM_EVENT_LOG"); logPath && *logPath) {
        options.eventLogPath = logPath;
    }
    if (const char* scenarioPath = std::getenv("ORVEL_SIM_DESKTOP");
        scenarioPath && *scenarioPath) {
        return sim::SimulatedDesktop::loadFile(scenarioPath, error, options);
    }
    return sim::SimulatedDesktop::load(sim::defaultScenarioText, error, options);
}

} // namespace orvel::platform
