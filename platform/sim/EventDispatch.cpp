#include "platform/sim/EventDispatch.hpp"

#include "platform/sim/ActionRunner.hpp"
#include "platform/sim/EventKinds.hpp"
#include "platform/sim/InputReactions.hpp"

namespace orvel::sim {

void dispatchEvent(DesktopState& state, const platform::Event& event, EventOrigin origin,
                   Outbox& outbox) {
    state.log.recordEvent(event, origin);
    if (!(isKeyboardEvent(event.type) && state.world.secureInput)) {
        state.taps.deliver(event, outbox);
    }
    runActions(state, reactToInput(state, event), outbox);
    if (origin == EventOrigin::program) {
        runActions(state, state.triggers.notePosted(event.type), outbox);
    }
}

} // namespace orvel::sim
