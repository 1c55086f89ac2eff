// What one "act" request has established so far, handed from stage to stage: the request,
// the observation it runs against, the live app, the target and the guard.
#pragma once

#include "Engine.hpp"

namespace orvel {

struct Engine::ActionPlan {
    const Ticket& ticket;
    const Json& request;
    const Json& action; // inside `request`
    std::string type;
    std::string mode;
    std::shared_ptr<const ObservationRecord> record;
    AppTarget app{};
    const ObservedNode* target = nullptr; // points into `record`
    platform::ElementHandle expectedFocus{};
    InputGuard guard{};
    std::optional<Point> point{};
    std::string planningDigest{};

    bool foreground() const { return mode == "foreground"; }
};

} // namespace orvel
