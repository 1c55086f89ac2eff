// The script steps that wait for the program's own events: each falls due when the program
// has posted its `count`-th event of the step's kind, and runs once. Counts are kept per kind
// from the start of the desktop.
//
// Not thread-safe: the desktop keeps it behind its one mutex.
#pragma once

#include "platform/sim/Scenario.hpp"

#include <cstdint>
#include <map>
#include <vector>

namespace orvel::sim {

class PostedTriggers {
  public:
    explicit PostedTriggers(const std::vector<ScriptStep>& script);

    // Counts one posted event of `type`; the actions of the steps now due, in script order.
    std::vector<Action> notePosted(std::uint32_t type);

  private:
    struct Pending {
        WhenPosted trigger;
        Action action;
    };

    std::vector<Pending> pending_;
    std::map<std::uint32_t, std::int64_t> counts_;
};

} // namespace orvel::sim
