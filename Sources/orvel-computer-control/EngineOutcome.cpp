// The last stage of an action: let the app react, observe the window again, make that the
// current observation and say honestly whether anything visibly changed.
#include "ActionPlan.hpp"
#include "OrvelControlCore/Limits.hpp"
#include "OrvelControlCore/Payload.hpp"
#include "OrvelControlCore/RequestAccessors.hpp"

#include <algorithm>
#include <chrono>
#include <thread>

namespace orvel {

namespace {

const char* const noVisibleChange =
    "Ingen synlig endring i tilgjengelighetstreet etter handlingen. Resultatet er uavklart.";
const char* const notObservedAfterwards =
    "Kunne ikke observere appen etter handlingen. Resultatet er uavklart.";

Json pointPayload(Point point) {
    Json rounded = rectPayload(Rect{point, {0, 0}});
    return Json{{"x", rounded["x"]}, {"y", rounded["y"]}};
}

} // namespace

Json Engine::actionOutcome(ActionPlan& plan, std::optional<std::string> uncertainty) {
    listener_.setAutomation(false);
    const ObservationRecord& planning = *plan.record;
    Json result{{"requestId", plan.ticket.id},
                {"submitted", true},
                {"action", plan.type},
                {"mode", plan.mode}};
    if (plan.target != nullptr || plan.point) {
        Json target{{"observationId", planning.id}};
        if (plan.target != nullptr) {
            target["elementId"] = plan.target->id;
            target["role"] = plan.target->role;
            target["label"] = plan.target->label;
        }
        if (plan.point) {
            target["point"] = pointPayload(Point{plan.point->x - planning.windowFrame.origin.x,
                                                 plan.point->y - planning.windowFrame.origin.y});
            target["screenPoint"] = pointPayload(*plan.point);
        }
        result["target"] = std::move(target);
    }

    std::this_thread::sleep_for(reactionTime_);

    const Json& request = plan.request;
    try {
        ledger_.check(plan.ticket);
        WindowTarget window = liveWindow(planning.pid, planning.windowId);
        int depth = readClampedInt(request, "depth", defaultDepth, 1, Limits::depth);
        int nodes = readClampedInt(request, "maxNodes", defaultNodes, 1, Limits::nodes);
        auto record = accessibility_.observe(planning.pid, planning.bundleId, window, depth, nodes,
                                             nextObservationId(),
                                             deadline(plan.ticket, Limits::observeSeconds));
        if (!publish(record, plan.ticket)) {
            throw Failure("cancelled", "Forespørselen ble avbrutt.");
        }
        Json observation = observationPayload(*record, plan.app);
        if (readBool(request, "screenshot") == true) {
            observation["screenshot"] = nullptr;
            std::optional<CaptureResult> capture;
            try {
                capture = capture_.window(planning.windowId, deadline(plan.ticket, captureSeconds),
                                          Limits::imagePixels);
            } catch (const Failure&) {
                // A failed capture only empties the screenshot; the observation stands.
            }
            if (capture && isLive(plan.ticket)) {
                observation["screenshot"] = Capture::payload(*capture, record->id);
            }
        }
        bool changed = record->digest != plan.planningDigest;
        result["observation"] = std::move(observation);
        result["changed"] = changed;
        result["verified"] = changed;
        if (!changed && !uncertainty) {
            uncertainty = noVisibleChange;
        }
    } catch (const Failure&) {
        forgetObservation();
        result["observation"] = nullptr;
        result["verified"] = false;
        if (!uncertainty) {
            uncertainty = notObservedAfterwards;
        }
    }
    result["uncertainty"] = uncertainty ? Json(*uncertainty) : Json(nullptr);
    listener_.setAutomation(false);
    return result;
}

} // namespace orvel
