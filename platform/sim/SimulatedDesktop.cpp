#include "platform/sim/SimulatedDesktop.hpp"

#include "platform/profiles/MacProfile.hpp"

#include "platform/posix/PosixProcessInfo.hpp"
#include "platform/sim/ActionRunner.hpp"
#include "platform/sim/DesktopCore.hpp"
#include "platform/sim/ElementAttributes.hpp"
#include "platform/sim/ScenarioParser.hpp"
#include "platform/sim/SimAccessibility.hpp"
#include "platform/sim/SimEventSystem.hpp"
#include "platform/sim/SimNotificationCenter.hpp"
#include "platform/sim/SimPrivacyAccess.hpp"
#include "platform/sim/SimScreenCapture.hpp"
#include "platform/sim/SimWindowServer.hpp"
#include "platform/sim/SimWorkspace.hpp"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace orvel::sim {

namespace {

ProcessPids processPids() {
    return ProcessPids{static_cast<std::int32_t>(::getpid()),
                       static_cast<std::int32_t>(::getppid())};
}

} // namespace

struct SimulatedDesktop::Services {
    explicit Services(const std::shared_ptr<DesktopCore>& core)
        : accessibility(*core), windowServer(*core), workspace(*core), events(*core),
          privacy(*core), notifications(*core), capture(core) {}

    SimAccessibility accessibility;
    SimWindowServer windowServer;
    SimWorkspace workspace;
    SimEventSystem events;
    SimPrivacyAccess privacy;
    SimNotificationCenter notifications;
    platform::PosixProcessInfo process;
    SimScreenCapture capture;
};

SimulatedDesktop::SimulatedDesktop(std::shared_ptr<DesktopCore> core)
    : core_(std::move(core)), services_(std::make_unique<Services>(core_)),
      platform_(std::make_unique<platform::Platform>(platform::Platform{
          core_->mainLoop(), services_->accessibility, services_->windowServer,
          services_->workspace, services_->events, services_->privacy, services_->notifications,
          services_->process, services_->capture, platform::macOSProfile()})) {}

SimulatedDesktop::~SimulatedDesktop() {
    core_->shutdown();
}

std::unique_ptr<SimulatedDesktop>
SimulatedDesktop::load(std::string_view scenarioJson, std::string& error, DesktopOptions options) {
    auto scenario = parseScenarioText(scenarioJson, "scenario", processPids(), error);
    return scenario ? start(*scenario, options, error) : nullptr;
}

std::unique_ptr<SimulatedDesktop>
SimulatedDesktop::loadFile(const std::string& path, std::string& error, DesktopOptions options) {
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    if (file) {
        text << file.rdbuf();
    }
    if (!file || file.bad()) {
        error = "cannot read the scenario " + path +
                (errno ? ": " + std::string(std::strerror(errno)) : "");
        return nullptr;
    }
    auto scenario = parseScenarioText(text.str(), "scenario " + path, processPids(), error);
    return scenario ? start(*scenario, options, error) : nullptr;
}

std::unique_ptr<SimulatedDesktop> SimulatedDesktop::start(const Scenario& scenario,
                                                          const DesktopOptions& options,
                                                          std::string& error) {
    std::unique_ptr<std::ofstream> logFile;
    if (!options.eventLogPath.empty()) {
        logFile = EventLog::openFile(options.eventLogPath, error);
        if (!logFile) {
            return nullptr;
        }
    }
    return std::unique_ptr<SimulatedDesktop>(
        new SimulatedDesktop(std::make_shared<DesktopCore>(scenario, std::move(logFile))));
}

platform::Platform& SimulatedDesktop::platform() {
    return *platform_;
}

std::vector<Json> SimulatedDesktop::eventLog() const {
    return core_->read([](const DesktopState& state) {
        const auto& entries = state.log.entries();
        return std::vector<Json>(entries.begin(), entries.end());
    });
}

PressedInput SimulatedDesktop::inputPressedByProgram() const {
    return core_->read([](const DesktopState& state) { return state.log.pressedByProgram(); });
}

void SimulatedDesktop::apply(const Json& action) {
    Action parsed;
    try {
        parsed = ScenarioParser(processPids()).parseAction(ScenarioNode(action, "action"));
    } catch (const ScenarioError& problem) {
        throw std::invalid_argument(problem.what());
    }
    core_->change([&](DesktopState& state, Outbox& outbox) { runAction(state, parsed, outbox); });
}

std::optional<Json> SimulatedDesktop::elementAttribute(const std::string& elementId,
                                                       const std::string& attribute) const {
    return core_->read([&](const DesktopState& state) -> std::optional<Json> {
        const auto* element = state.world.elementById(elementId);
        if (!element) {
            return std::nullopt;
        }
        const auto answer =
            readAttribute(state.world, ElementTarget::element(element->pid, element->node),
                          attribute, ScriptedErrors::ignored);
        return answer.status == platform::ax::success ? std::optional<Json>(answer.value)
                                                      : std::nullopt;
    });
}

std::int32_t SimulatedDesktop::frontmostPid() const {
    return core_->read([](const DesktopState& state) { return state.world.frontmost; });
}

std::optional<Point> SimulatedDesktop::pointerLocation() const {
    return core_->read([](const DesktopState& state) { return state.world.pointer; });
}

std::vector<std::uint32_t> SimulatedDesktop::windowOrder() const {
    return core_->read([](const DesktopState& state) {
        std::vector<std::uint32_t> order;
        for (const auto& window : state.world.windows()) {
            order.push_back(window.windowId);
        }
        return order;
    });
}

} // namespace orvel::sim
