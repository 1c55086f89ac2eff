#include "OrvelControlCore/ElementCheck.hpp"

#include "OrvelControlCore/Payload.hpp"
#include "OrvelControlCore/Text.hpp"

#include <cmath>

namespace orvel::ElementCheck {

namespace {

// Origins as stored, sizes standardised; a difference that is not a number fails.
bool moved(const Rect& observed, const Rect& live) {
    Rect a = observed.standardized();
    Rect b = live.standardized();
    auto within = [](double x, double y) {
        return std::fabs(x - y) <= tolerance;
    };
    return !(within(observed.origin.x, live.origin.x) && within(observed.origin.y, live.origin.y) &&
             within(a.size.width, b.size.width) && within(a.size.height, b.size.height));
}

} // namespace

std::optional<Failure> mismatch(const ElementSnapshot& observed,
                                const std::optional<ElementSnapshot>& live) {
    if (!live) {
        return Failure("target_missing", "Elementet finnes ikke lenger i appen.");
    }
    if (live->secure) {
        return Failure("denied_target",
                       "Elementet er nå et passordfelt. Orvel Rire skriver ikke der.");
    }
    if (!observed.sameRoles(*live)) {
        return Failure("stale_observation",
                       "Elementet har endret rolle siden observasjonen. Observer på nytt.",
                       Json{{"observed", observed.role}, {"live", live->role}});
    }
    if (observed.frame && live->frame) {
        if (moved(*observed.frame, *live->frame)) {
            return Failure("stale_observation",
                           "Elementet har flyttet seg siden observasjonen. Observer på nytt.",
                           Json{{"observed", rectPayload(*observed.frame)},
                                {"live", rectPayload(*live->frame)}});
        }
    } else if (observed.frame || live->frame) {
        return Failure("stale_observation",
                       "Elementets plassering er ikke lenger kjent. Observer på nytt.");
    }
    if (observed.enabled && !live->enabled) {
        return Failure("stale_observation", "Elementet er blitt deaktivert. Observer på nytt.");
    }
    return std::nullopt;
}

std::optional<Failure> bindingMismatch(const std::optional<std::string>& expected,
                                       const std::string& actual) {
    if (!expected || expected->empty() || text::canonicallyEqual(*expected, actual)) {
        return std::nullopt;
    }
    return Failure("unresolved_target",
                   "Punktet treffer et annet element enn det som ble godkjent. Observer på nytt "
                   "før du handler.",
                   Json{{"approved", *expected}, {"actual", actual}});
}

} // namespace orvel::ElementCheck
