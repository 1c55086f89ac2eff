// Carries out effects and script actions on the desktop: changes to elements and windows,
// focus, secure input, the frontmost app, permissions and the session, and the things that
// reach the program (user input, lock notifications, disabled-tap notices) as main-loop jobs.
// An action that refers to something no longer there does nothing.
//
// The caller holds the desktop's lock; callbacks are only queued in the outbox.
#pragma once

#include "platform/sim/Action.hpp"
#include "platform/sim/DesktopState.hpp"
#include "platform/sim/Outbox.hpp"

#include <vector>

namespace orvel::sim {

void runAction(DesktopState& state, const Action& action, Outbox& outbox);
void runActions(DesktopState& state, const std::vector<Action>& actions, Outbox& outbox);

} // namespace orvel::sim
