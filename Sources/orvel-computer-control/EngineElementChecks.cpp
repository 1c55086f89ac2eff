// Checking an observed element against its live state before an action uses it.
#include "Engine.hpp"

#include "OrvelControlCore/ElementCheck.hpp"

namespace orvel {

void Engine::forgetObservation() {
    std::lock_guard guard(lock_);
    current_.reset();
}

// Shared by every check of an observed element against its live state.
void Engine::verifyUnchanged(const ObservedNode& node) {
    if (auto failure = ElementCheck::mismatch(node.observedSnapshot(),
                                              accessibility_.snapshot(node.element))) {
        // A vanished element or a new password field leaves the observation usable for others.
        if (failure->code == "stale_observation") {
            forgetObservation();
        }
        throw *failure;
    }
}

void Engine::verifyLive(const ObservedNode& node, const ObservationRecord& record) {
    verifyUnchanged(node);
    auto window = accessibility_.windowOf(node.element);
    if (window.isNull()) {
        throw Failure("unresolved_target",
                      "Kunne ikke fastslå hvilket vindu elementet tilhører. Observer på nytt.");
    }
    if (!accessibility_.equal(window, record.axWindow)) {
        forgetObservation();
        throw Failure("stale_observation",
                      "Elementet tilhører nå et annet vindu. Observer på nytt.");
    }
}

} // namespace orvel
