// What an input action asks before and between its events: `live` says whether the request
// may still post (evaluated under the input ledger's lock right before each event), `check`
// throws the failure that must stop the action (called between steps, never under that
// lock), `takenOver` says whether the user took over during the action (asked after a refusal
// and after the last event; empty where no user is watched). Built by the action request,
// passed by value to every input operation.
#pragma once

#include <functional>

namespace orvel {

struct InputGuard {
    std::function<bool()> live;
    std::function<void()> check;
    // True once a user event was judged a takeover during this action: input stops at once and
    // the action fails as stopped, before the halt the takeover reports has landed.
    std::function<bool()> takenOver{};
};

} // namespace orvel
