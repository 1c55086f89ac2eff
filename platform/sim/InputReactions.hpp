// How the simulated apps react to input by themselves, without scenario effects: a press on a
// window brings its app forward and raises the window; a left press focuses the nearest
// element that accepts focus; a left release on the element the press went down on presses it
// (its "AXPress" effects are handed back to run); a key-down carrying text types it into the
// focused element of the frontmost app when that element's value is settable, and key code 51
// deletes its last character. Disabled elements neither take focus nor get pressed.
//
// The caller holds the desktop's lock.
#pragma once

#include "platform/Event.hpp"
#include "platform/sim/Action.hpp"
#include "platform/sim/DesktopState.hpp"

#include <vector>

namespace orvel::sim {

// Applies the reaction to `event`; the effects it triggers, to be run in order.
std::vector<Action> reactToInput(DesktopState& state, const platform::Event& event);

} // namespace orvel::sim
