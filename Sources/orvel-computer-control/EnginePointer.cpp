// Proving a pointer target before any pointer event is sent: inside the observed window, on
// top there, and on an observed, unchanged element that is not a password field.
#include "Engine.hpp"

#include "OrvelControlCore/ElementCheck.hpp"
#include "OrvelControlCore/Payload.hpp"
#include "OrvelControlCore/RequestAccessors.hpp"

#include <algorithm>

namespace orvel {

Point Engine::screenPoint(const Json& coordinates, const ObservationRecord& record) {
    auto x = readDouble(coordinates, "x");
    auto y = readDouble(coordinates, "y");
    if (!x || !y) {
        throw Failure("invalid_request", "Handlingen mangler koordinater.");
    }
    Rect frame = record.windowFrame;
    Rect standard = frame.standardized();
    if (!(*x >= 0 && *y >= 0 && *x <= standard.size.width && *y <= standard.size.height)) {
        throw Failure("invalid_request", "Punktet ligger utenfor vinduet.",
                      Json{{"frame", rectPayload(frame)}});
    }
    return Point{frame.origin.x + *x, frame.origin.y + *y};
}

void Engine::verifySurface(Point point, const ObservationRecord& record) {
    auto topmost = targets_.topmostWindow(point);
    if (!topmost) {
        throw Failure("window_obscured", "Ingen synlig flate under punktet.");
    }
    if (topmost->pid != record.pid) {
        throw Failure("window_obscured", "Et vindu fra en annen app ligger over punktet.",
                      Json{{"pid", topmost->pid}, {"title", truncated(topmost->title, 80)}});
    }
    if (topmost->windowId != record.windowId) {
        throw Failure("window_obscured", "Et annet vindu i samme app ligger over punktet.",
                      Json{{"windowId", topmost->windowId}, {"expected", record.windowId}});
    }
}

// The application's element at the point, when the platform names one of the observed
// process.
bool Engine::hitTest(Point point, const ObservationRecord& record, platform::ElementHandle& hit) {
    auto systemWide = accessibility_.systemWide();
    auto answer = accessibility_.service().copyElementAtPosition(
        systemWide, static_cast<float>(point.x), static_cast<float>(point.y));
    if (!answer.ok() || answer.value.isNull()) {
        return false;
    }
    auto pid = accessibility_.service().getPid(answer.value);
    if (!pid.ok() || pid.value != record.pid) {
        return false;
    }
    hit = answer.value;
    return true;
}

const ObservedNode& Engine::resolvePointer(Point point, const ObservationRecord& record,
                                           const std::optional<std::string>& approved) {
    verifySurface(point, record);
    platform::ElementHandle hit;
    if (!hitTest(point, record, hit)) {
        throw Failure("unresolved_target", "Fant ikke noe element fra appen under punktet.");
    }
    auto snapshot = accessibility_.snapshot(hit);
    if (!snapshot) {
        throw Failure("unresolved_target", "Elementet under punktet svarer ikke.");
    }
    if (snapshot->secure) {
        throw Failure("denied_target",
                      "Punktet treffer et passordfelt. Orvel Rire handler ikke der.");
    }
    const ObservedNode* node = record.node(accessibility_, hit, mostAncestors);
    if (node == nullptr) {
        throw Failure("unresolved_target", "Elementet under punktet er ikke med i observasjonen. "
                                           "Observer på nytt, eventuelt med større "
                                           "dybde.");
    }
    auto window = accessibility_.windowOf(hit);
    if (window.isNull()) {
        throw Failure("unresolved_target",
                      "Kunne ikke fastslå hvilket vindu punktet treffer. Observer på nytt.");
    }
    if (!accessibility_.equal(window, record.axWindow)) {
        throw Failure("window_obscured", "Punktet treffer et annet vindu i samme app.");
    }
    if (auto failure = ElementCheck::bindingMismatch(approved, node->id)) {
        forgetObservation();
        throw *failure;
    }
    verifyUnchanged(*node);
    return *node;
}

void Engine::verifyDestination(Point point, const ObservationRecord& record,
                               const std::optional<std::string>& approved) {
    if (approved) {
        resolvePointer(point, record, approved);
        return;
    }
    verifySurface(point, record);
    platform::ElementHandle hit;
    if (!hitTest(point, record, hit)) {
        throw Failure("unresolved_target", "Fant ikke noe element fra appen under sluttpunktet.");
    }
    auto snapshot = accessibility_.snapshot(hit);
    if (snapshot && snapshot->secure) {
        throw Failure("denied_target",
                      "Sluttpunktet treffer et passordfelt. Orvel Rire slipper ikke der.");
    }
    auto window = accessibility_.windowOf(hit);
    if (window.isNull()) {
        throw Failure("unresolved_target",
                      "Kunne ikke fastslå hvilket vindu sluttpunktet treffer.");
    }
    if (!accessibility_.equal(window, record.axWindow)) {
        throw Failure("window_obscured", "Sluttpunktet treffer et annet vindu i samme app.");
    }
}

std::optional<Point> Engine::actionPoint(const std::string& kind, const Json& action,
                                         const ObservedNode* target,
                                         const ObservationRecord& record) {
    std::optional<Point> point;
    if (kind.rfind("pointer.", 0) == 0) {
        try {
            point = screenPoint(action, record);
        } catch (const Failure&) {
            return std::nullopt;
        }
    } else if (target != nullptr && target->frame) {
        point = target->frame->midPoint();
    } else {
        return std::nullopt;
    }
    const Rect& frame = record.windowFrame;
    return Point{std::clamp(point->x, frame.minX(), std::max(frame.minX(), frame.maxX())),
                 std::clamp(point->y, frame.minY(), std::max(frame.minY(), frame.maxY()))};
}

} // namespace orvel
