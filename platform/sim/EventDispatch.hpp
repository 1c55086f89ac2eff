// An input event arriving at the desktop, from the program or as the user: it is logged, the
// apps react to it (running any effects that triggers), and every listening tap gets it on the
// main loop. A key event does not reach the taps while secure keyboard entry is on, as on the
// real desktop. For the program's own events the script steps waiting for that kind are
// counted and run, synchronously, before this returns.
//
// The caller holds the desktop's lock; callbacks are only queued in the outbox.
#pragma once

#include "platform/Event.hpp"
#include "platform/sim/DesktopState.hpp"
#include "platform/sim/EventLog.hpp"
#include "platform/sim/Outbox.hpp"

namespace orvel::sim {

void dispatchEvent(DesktopState& state, const platform::Event& event, EventOrigin origin,
                   Outbox& outbox);

} // namespace orvel::sim
