// The event taps the program has created, their run-loop sources and whether they are enabled,
// and which of them an event reaches: a tap whose source is on the main run loop and that is
// enabled, for the event types of its mask. Deliveries become main-loop jobs in an `Outbox`,
// never direct calls, since events are posted while the poster holds locks of its own.
//
// Not thread-safe: the desktop keeps it behind its one mutex.
#pragma once

#include "platform/EventSystem.hpp"
#include "platform/sim/Outbox.hpp"

#include <cstdint>
#include <map>
#include <optional>
#include <set>

namespace orvel::sim {

class EventTaps {
  public:
    // A tap with `enablable` false stays disabled whatever the program asks.
    platform::EventTapRef create(std::uint64_t mask, platform::EventSystem::TapCallback callback,
                                 bool enablable);
    std::optional<platform::RunLoopSourceRef> createSource(platform::EventTapRef tap);
    void addSource(platform::RunLoopSourceRef source);
    void removeSource(platform::RunLoopSourceRef source);
    void enable(platform::EventTapRef tap, bool enable);
    bool isEnabled(platform::EventTapRef tap) const;

    void deliver(const platform::Event& event, Outbox& outbox) const;
    // The system disables every listening tap and tells it why (`noticeType` is one of the two
    // tap-disabled types).
    void disableAll(std::uint32_t noticeType, Outbox& outbox);

  private:
    struct Tap {
        std::uint64_t mask = 0;
        platform::EventSystem::TapCallback callback;
        bool enablable = true;
        bool enabled = true;
    };

    bool isListening(std::uint64_t tapId) const;

    std::map<std::uint64_t, Tap> taps_;
    std::map<std::uint64_t, std::uint64_t> sourceTaps_; // run-loop source -> tap
    std::set<std::uint64_t> addedSources_;
    std::uint64_t nextId_ = 1;
};

} // namespace orvel::sim
