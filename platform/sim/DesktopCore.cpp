#include "platform/sim/DesktopCore.hpp"

#include "platform/sim/ActionRunner.hpp"
#include "platform/sim/Durations.hpp"

namespace orvel::sim {

DesktopCore::DesktopCore(const Scenario& scenario, std::unique_ptr<std::ofstream> logFile)
    : start_(std::chrono::steady_clock::now()), identity_(std::make_shared<const int>(0)),
      state_(scenario, start_, std::move(logFile)) {
    scheduleScript(scenario);
}

DesktopCore::~DesktopCore() {
    shutdown();
}

void DesktopCore::shutdown() {
    scheduler_.stop();
    completions_.stop();
}

void DesktopCore::changeLater(double delaySeconds,
                              std::function<void(DesktopState&, Outbox&)> change) {
    scheduler_.schedule(std::chrono::steady_clock::now() + boundedDuration(delaySeconds),
                        [this, change = std::move(change)] { this->change(change); });
}

void DesktopCore::queueMainLoopJobs(Outbox& outbox) {
    for (auto& job : outbox.mainLoopJobs) {
        mainLoop_.post(std::move(job));
    }
    outbox.mainLoopJobs.clear();
}

void DesktopCore::scheduleLaterChanges(Outbox outbox) {
    for (auto& later : outbox.laterChanges) {
        changeLater(later.delaySeconds, std::move(later.change));
    }
}

void DesktopCore::scheduleScript(const Scenario& scenario) {
    for (const auto& step : scenario.script) {
        if (const auto* at = std::get_if<AtTime>(&step.trigger)) {
            scheduler_.schedule(start_ + boundedDuration(at->seconds),
                                [this, action = step.action] {
                                    change([&](DesktopState& state, Outbox& outbox) {
                                        runAction(state, action, outbox);
                                    });
                                });
        }
    }
}

} // namespace orvel::sim
