// The pauses synthetic input keeps between its events, so that applications see the pace of a
// person's hand: after a click that another follows, after each step of a drag and after each
// typed character. A value type; the program uses the defaults, and a harness that drives an
// in-memory desktop may shorten them to nothing.
#pragma once

#include <chrono>

namespace orvel {

struct InputPacing {
    std::chrono::milliseconds clickPause{60};
    std::chrono::milliseconds dragStepPause{12};
    std::chrono::milliseconds typePause{6};
};

} // namespace orvel
