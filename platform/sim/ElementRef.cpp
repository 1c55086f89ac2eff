#include "platform/sim/ElementRef.hpp"

namespace orvel::sim {

double ElementRef::timeoutSeconds() const {
    if (own->isSet()) {
        return own->seconds();
    }
    if (inherited && inherited->isSet()) {
        return inherited->seconds();
    }
    return defaultMessagingTimeout;
}

platform::ElementHandle makeHandle(const std::shared_ptr<const void>& desktop,
                                   const ElementTarget& target, const ElementRef* readThrough) {
    auto ref = std::make_shared<ElementRef>();
    ref->desktop = desktop;
    ref->target = target;
    if (readThrough) {
        // The cell in force for the source, or the source's own so that a time-out set on it
        // later still bounds what was read through it.
        const bool ownInForce = readThrough->own->isSet() || !readThrough->inherited;
        ref->inherited = ownInForce ? readThrough->own : readThrough->inherited;
    }
    return platform::ElementHandle(std::shared_ptr<const void>(std::move(ref)));
}

const ElementRef* refOf(const platform::ElementHandle& handle,
                        const std::shared_ptr<const void>& desktop) {
    if (handle.isNull()) {
        return nullptr;
    }
    const auto* ref = static_cast<const ElementRef*>(handle.raw().get());
    const bool sameDesktop =
        !ref->desktop.owner_before(desktop) && !desktop.owner_before(ref->desktop);
    return sameDesktop ? ref : nullptr;
}

} // namespace orvel::sim
