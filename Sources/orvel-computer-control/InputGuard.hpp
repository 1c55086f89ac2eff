// What an input action asks before and between its events: `live` says whether the request
// may still post (evaluated under the input ledger's lock right before each event), `check`
// throws the failure that must stop the action (called between steps, never under that
// lock). Built by the action request, passed by value to every input operation.
#pragma once

#include <functional>

namespace orvel {

struct InputGuard {
    std::function<bool()> live;
    std::function<void()> check;
};

} // namespace orvel
