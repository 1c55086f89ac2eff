// The "observe" request, its result, and looking up an observed element by its id.
#include "Engine.hpp"

#include "OrvelControlCore/Failure.hpp"
#include "OrvelControlCore/Limits.hpp"
#include "OrvelControlCore/Payload.hpp"
#include "OrvelControlCore/RequestAccessors.hpp"
#include "OrvelControlCore/Text.hpp"

#include <algorithm>
#include <cstdint>

namespace orvel {

Json Engine::observe(const Ticket& ticket, const Json& request) {
    auto pid = readPid(request, "pid");
    auto windowId = readWindowId(request, "windowId");
    if (!pid || !windowId) {
        throw Failure("invalid_request", "Observasjon krever gyldig pid og windowId.");
    }
    if (request.contains("artifactPath")) {
        throw Failure("invalid_request",
                      "Skjermbilder leveres bare direkte i svaret, aldri som fil.");
    }
    AppTarget app =
        liveApp(*pid, readString(request, "bundleId"), readDouble(request, "launchedAt"));
    WindowTarget window = liveWindow(*pid, *windowId);
    ledger_.check(ticket);
    int depthLimit = readClampedInt(request, "depth", defaultDepth, 1, Limits::depth);
    int nodeLimit = readClampedInt(request, "maxNodes", defaultNodes, 1, Limits::nodes);
    std::string observationId = nextObservationId();
    auto record = accessibility_.observe(*pid, app.bundleId, window, depthLimit, nodeLimit,
                                         observationId, deadline(ticket, Limits::observeSeconds));
    if (!publish(record, ticket)) {
        ledger_.check(ticket);
        throw Failure("cancelled", "Forespørselen ble avbrutt.");
    }
    Json result = observationPayload(*record, app);
    if (readBool(request, "screenshot") == true) {
        ledger_.check(ticket);
        auto capture =
            capture_.window(*windowId, deadline(ticket, captureSeconds), Limits::imagePixels);
        ledger_.check(ticket);
        result["screenshot"] = Capture::payload(capture, record->id);
    }
    return result;
}

Json Engine::observationPayload(const ObservationRecord& record, const AppTarget& app) {
    Json elements = Json::array();
    for (const auto& id : record.order) {
        elements.push_back(Accessibility::nodePayload(record.nodes.at(id), record.windowFrame));
    }
    LockState lock = permissions_.lockState();
    return Json{
        {"observationId", record.id},
        {"timestamp", secondsSince1970(record.createdAt)},
        {"app",
         {{"pid", record.pid},
          {"bundleId", record.bundleId},
          {"name", app.name},
          {"launchedAt", app.launchedAt},
          {"active", app.active}}},
        {"window",
         {{"windowId", record.windowId},
          {"title", truncated(record.windowTitle, 200)},
          {"frame", rectPayload(record.windowFrame)}}},
        {"elements", std::move(elements)},
        {"truncated", record.truncatedTree},
        {"digest", record.digest},
        {"screenLocked", !lock.permitsAction()},
        {"lock", lockPayload(lock)},
    };
}

const ObservedNode& Engine::node(const ObservationRecord& record, const Json& request) {
    auto elementId = readString(request, "elementId");
    if (elementId) {
        auto found = record.nodes.find(text::nfc(*elementId));
        if (found != record.nodes.end()) {
            return found->second;
        }
    }
    throw Failure("stale_observation", "Elementet hører ikke til den gjeldende observasjonen.");
}

} // namespace orvel
