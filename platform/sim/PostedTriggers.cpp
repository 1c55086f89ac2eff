#include "platform/sim/PostedTriggers.hpp"

namespace orvel::sim {

PostedTriggers::PostedTriggers(const std::vector<ScriptStep>& script) {
    for (const auto& step : script) {
        if (const auto* when = std::get_if<WhenPosted>(&step.trigger)) {
            pending_.push_back({*when, step.action});
        }
    }
}

std::vector<Action> PostedTriggers::notePosted(std::uint32_t type) {
    const auto count = ++counts_[type];
    std::vector<Action> due;
    std::erase_if(pending_, [&](const Pending& step) {
        if (step.trigger.type != type || step.trigger.count != count) {
            return false;
        }
        due.push_back(step.action);
        return true;
    });
    return due;
}

} // namespace orvel::sim
