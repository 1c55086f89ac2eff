#include "platform/sim/EventTaps.hpp"

#include <algorithm>

namespace orvel::sim {

namespace {

bool maskWants(std::uint64_t mask, std::uint32_t type) {
    return type < 64 && (mask & (std::uint64_t{1} << type)) != 0;
}

} // namespace

platform::EventTapRef
EventTaps::create(std::uint64_t mask, platform::EventSystem::TapCallback callback, bool enablable) {
    const auto id = nextId_++;
    taps_[id] = Tap{mask, std::move(callback), enablable, enablable};
    return platform::EventTapRef{id};
}

std::optional<platform::RunLoopSourceRef> EventTaps::createSource(platform::EventTapRef tap) {
    if (!taps_.contains(tap.id)) {
        return std::nullopt;
    }
    const auto id = nextId_++;
    sourceTaps_[id] = tap.id;
    return platform::RunLoopSourceRef{id};
}

void EventTaps::addSource(platform::RunLoopSourceRef source) {
    if (sourceTaps_.contains(source.id)) {
        addedSources_.insert(source.id);
    }
}

void EventTaps::removeSource(platform::RunLoopSourceRef source) {
    addedSources_.erase(source.id);
}

void EventTaps::enable(platform::EventTapRef tap, bool enable) {
    auto found = taps_.find(tap.id);
    if (found != taps_.end()) {
        found->second.enabled = enable && found->second.enablable;
    }
}

bool EventTaps::isEnabled(platform::EventTapRef tap) const {
    auto found = taps_.find(tap.id);
    return found != taps_.end() && found->second.enabled;
}

void EventTaps::deliver(const platform::Event& event, Outbox& outbox) const {
    for (const auto& [id, tap] : taps_) {
        if (tap.enabled && maskWants(tap.mask, event.type) && isListening(id) && tap.callback) {
            outbox.mainLoopJobs.push_back(
                [callback = tap.callback, event] { callback(event.type, event); });
        }
    }
}

void EventTaps::disableAll(std::uint32_t noticeType, Outbox& outbox) {
    for (auto& [id, tap] : taps_) {
        if (!isListening(id) || !tap.callback) {
            continue;
        }
        tap.enabled = false;
        platform::Event notice;
        notice.type = noticeType;
        outbox.mainLoopJobs.push_back(
            [callback = tap.callback, notice] { callback(notice.type, notice); });
    }
}

bool EventTaps::isListening(std::uint64_t tapId) const {
    return std::any_of(addedSources_.begin(), addedSources_.end(),
                       [&](std::uint64_t source) { return sourceTaps_.at(source) == tapId; });
}

} // namespace orvel::sim
