// Everything about the simulated desktop that changes, gathered so that one mutex guards it
// all: the world, the event taps, the event log, the script steps waiting for posted events,
// the notification observers and the event sources the program made.
//
// Not thread-safe by itself: `DesktopCore` holds it behind its mutex.
#pragma once

#include "platform/sim/EventLog.hpp"
#include "platform/sim/EventTaps.hpp"
#include "platform/sim/PostedTriggers.hpp"
#include "platform/sim/World.hpp"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace orvel::sim {

struct DesktopState {
    DesktopState(const Scenario& scenario, std::chrono::steady_clock::time_point start,
                 std::unique_ptr<std::ofstream> logFile)
        : world(scenario), log(start, std::move(logFile)), triggers(scenario.script),
          uncreatableEvents(scenario.uncreatableEvents) {}

    World world;
    EventTaps taps;
    EventLog log;
    PostedTriggers triggers;
    std::vector<std::pair<std::string, std::function<void()>>> observers;
    std::map<std::uint64_t, std::int64_t> sourceUserData;
    std::uint64_t nextSource = 1;
    // Event type -> how many more requests to create such an event fail.
    std::map<std::uint32_t, std::int64_t> uncreatableEvents;
    // The element a left button went down on; its release on the same element presses it.
    std::uint64_t pressedNode = 0;
    // How deeply effects are running inside the input they caused; bounded so that an effect
    // that clicks on its own element cannot recurse for ever.
    int actionDepth = 0;
};

} // namespace orvel::sim
