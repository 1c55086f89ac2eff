// The "act" request: admission against the current observation, target resolution, the
// guard, performing one action, and the classification of what went wrong.
#include "ActionPlan.hpp"
#include "Input.hpp"
#include "OrvelControlCore/ActionFields.hpp"
#include "OrvelControlCore/Failures.hpp"
#include "OrvelControlCore/Limits.hpp"
#include "OrvelControlCore/Payload.hpp"
#include "OrvelControlCore/RequestAccessors.hpp"
#include "OrvelControlCore/Text.hpp"
#include "OrvelControlCore/WindowMatch.hpp"

#include <algorithm>
#include <chrono>

namespace orvel {

namespace {

const char* const submittedButUnanswered =
    "Appen svarte ikke som forventet. Handlingen kan ha blitt utført; kontroller før du gjentar.";

// A takeover's halt takes moments (its stopped event has a bound of its own, about a second):
// an action it stopped answers after that halt, but never waits longer than this for it.
constexpr auto takeoverReportBound = std::chrono::seconds(2);

// Clears the listener's automation flag on every way out of the action.
class AutomationScope {
  public:
    explicit AutomationScope(UserInputListener& listener) : listener_(listener) {}
    ~AutomationScope() { listener_.setAutomation(false); }
    AutomationScope(const AutomationScope&) = delete;
    AutomationScope& operator=(const AutomationScope&) = delete;

  private:
    UserInputListener& listener_;
};

const Json& emptyObject() {
    static const Json empty = Json::object();
    return empty;
}

} // namespace

Json Engine::act(const Ticket& ticket, const Json& request) {
    const Json* action = readObject(request, "action");
    auto type = action != nullptr ? readString(*action, "type") : std::nullopt;
    if (!type) {
        throw Failure("invalid_request", "Handlingen mangler type.");
    }
    ActionFields::check(request, *action, *type);
    std::string mode = readString(request, "mode").value_or("background");
    if (mode != "background" && mode != "foreground") {
        throw Failure("invalid_request", "Ukjent modus: " + truncated(mode, 20) + ".");
    }
    auto observationId = readString(request, "observationId");
    if (!observationId) {
        throw Failure("invalid_request", "Handlingen mangler observationId.");
    }
    if (request.contains("artifactPath")) {
        throw Failure("invalid_request",
                      "Skjermbilder leveres bare direkte i svaret, aldri som fil.");
    }
    ActionPlan plan{.ticket = ticket,
                    .request = request,
                    .action = *action,
                    .type = *type,
                    .mode = mode,
                    .record = admitAction(*observationId)};
    const ObservationRecord& record = *plan.record;

    const Json* expectation = readObject(request, "expect");
    const Json& expect = expectation != nullptr ? *expectation : emptyObject();
    if (auto expectedWindow = readWindowId(expect, "windowId");
        expectedWindow && *expectedWindow != record.windowId) {
        throw Failure("target_missing",
                      "Observasjonen gjelder et annet vindu enn økten er bundet til.",
                      Json{{"expected", *expectedWindow}, {"observed", record.windowId}});
    }
    // An empty expected bundle binds to nothing, so the observation's own bundle applies: a
    // pid taken over by another application is caught either way.
    auto expectedBundle = readString(expect, "bundleId");
    if (!expectedBundle || expectedBundle->empty()) {
        expectedBundle = record.bundleId;
    }
    plan.app = liveApp(record.pid, expectedBundle, readDouble(expect, "launchedAt"));
    verifyWindowUnmoved(record, liveWindow(record.pid, record.windowId));
    ledger_.check(ticket);
    input_.ledger().checkRunning();
    if (foregroundOnly().contains(plan.type) && !plan.foreground()) {
        throw Failure(
            "foreground_required",
            "Denne handlingen krever at brukeren gir Orvel Rire forgrunnsmodus for appen.",
            Json{{"action", plan.type}});
    }
    if (plan.foreground()) {
        auto status = listener_.currentStatus();
        if (!status.active) {
            throw Failure("permission_denied",
                          platform_.profile.texts.foregroundNeedsInputMonitoring,
                          Json{{"permission", "inputMonitoring"}, {"listener", status.payload()}});
        }
        bringForward(plan.app, record, ticket);
    }
    resolveTarget(plan);

    std::optional<std::string> uncertainty;
    const std::uint64_t deliveredBefore = input_.delivered();
    {
        AutomationScope automation(listener_);
        try {
            if (plan.foreground()) {
                plan.guard = foregroundGuard(plan.app, plan.record, ticket, plan.expectedFocus);
                // Automation starts before the first check, so that a user event from here on
                // is a takeover and no verdict of an earlier action is left over.
                listener_.setAutomation(true);
                plan.guard.check();
            } else {
                plan.guard = InputGuard{[this, &ticket] { return isLive(ticket); },
                                        [] {
                                        }};
            }
            plan.point = actionPoint(plan.type, plan.action, plan.target, record);
            plan.planningDigest = record.digest;
            performAction(plan);
        } catch (const Failure& failure) {
            if (listener_.takenOver()) {
                listener_.awaitTakeoverReports(takeoverReportBound);
            }
            uncertainty = classifyActionFailure(failure, input_.delivered() != deliveredBefore);
        }
    }
    return actionOutcome(plan, uncertainty);
}

// Steps that need nothing but the engine's own state: the named observation must be the
// current one and fresh.
std::shared_ptr<const ObservationRecord> Engine::admitAction(const std::string& observationId) {
    auto record = currentObservation();
    if (!record || !text::canonicallyEqual(record->id, observationId)) {
        throw Failure("stale_observation",
                      "Observasjonen er ikke lenger gyldig. Se på appen på nytt før du handler.",
                      Json{{"expected", record ? Json(record->id) : Json(nullptr)}});
    }
    if (clock_() - record->createdAt > std::chrono::duration<double>(Limits::observationSeconds)) {
        forgetObservation();
        throw Failure("stale_observation", "Observasjonen er for gammel. Observer på nytt.");
    }
    permissions_.ensureUnlocked();
    return record;
}

// Seen both from the window server and from accessibility, the window is where it was.
void Engine::verifyWindowUnmoved(const ObservationRecord& record, const WindowTarget& window) {
    bool unmoved = WindowMatch::stillMatches(window.frame, record.windowFrame, unmovedTolerance);
    if (unmoved) {
        auto axFrame = accessibility_.frame(record.axWindow);
        unmoved =
            axFrame && WindowMatch::stillMatches(*axFrame, record.windowFrame, unmovedTolerance);
    }
    if (!unmoved) {
        forgetObservation();
        throw Failure("stale_observation",
                      "Vinduet er flyttet, endret eller borte. Observer på nytt.",
                      Json{{"frame", rectPayload(window.frame)}});
    }
}

void Engine::resolveTarget(ActionPlan& plan) {
    const ObservationRecord& record = *plan.record;
    const std::string& type = plan.type;
    if (type == "ax.press" || type == "ax.action" || type == "ax.setValue") {
        plan.target = &node(record, plan.action);
        verifyLive(*plan.target, record);
    } else if (type == "pointer.click" || type == "pointer.scroll") {
        plan.target = &resolvePointer(screenPoint(plan.action, record), record,
                                      readString(plan.action, "expectElementId"));
    } else if (type == "pointer.drag") {
        const Json* to = readObject(plan.action, "to");
        if (to == nullptr) {
            throw Failure("invalid_request", "Draget mangler sluttpunkt.");
        }
        plan.target = &resolvePointer(screenPoint(plan.action, record), record,
                                      readString(plan.action, "expectElementId"));
        verifyDestination(screenPoint(*to, record), record, readString(*to, "expectElementId"));
    } else if (type == "key.type" || type == "key.press") {
        auto focus = verifyTypingFocus(record, plan.app, type == "key.type");
        plan.target = focus.node;
        plan.expectedFocus = focus.element;
    } else {
        throw Failure("unsupported_action", "Ukjent handling: " + truncated(type, 40) + ".");
    }
}

void Engine::performAction(ActionPlan& plan) {
    const Json& action = plan.action;
    const ObservationRecord& record = *plan.record;
    const std::string& type = plan.type;
    if (type == "ax.press") {
        mutate(plan.ticket, [&] {
            accessibility_.perform(plan.target->element, "AXPress");
            return true;
        });
    } else if (type == "ax.action") {
        auto name = readString(action, "action");
        if (!name) {
            throw Failure("invalid_request", "Mangler navn på AX-handling.");
        }
        // The element is asked for the action by the name it listed itself, which may differ
        // from the request's spelling only in normalisation.
        const auto& offered = plan.target->actions;
        auto listed = std::find_if(offered.begin(), offered.end(), [&](const std::string& listed) {
            return text::canonicallyEqual(listed, *name);
        });
        if (listed == offered.end()) {
            throw Failure("unsupported_action",
                          "Elementet tilbyr ikke handlingen " + truncated(*name, 40) + ".");
        }
        if (text::canonicallyEqual(*listed, "AXRaise") && !plan.foreground()) {
            throw Failure("foreground_required", "Å heve vinduet krever forgrunnsmodus.");
        }
        mutate(plan.ticket, [&] {
            accessibility_.perform(plan.target->element, *listed);
            return true;
        });
    } else if (type == "ax.setValue") {
        auto value = readString(action, "value");
        if (!value) {
            throw Failure("invalid_request", "Mangler verdi.");
        }
        if (text::characterCount(*value) > static_cast<std::size_t>(Limits::typeLength)) {
            throw Failure("invalid_request", "Verdien er for lang.");
        }
        if (plan.target->secure) {
            throw Failure("denied_target", "Orvel Rire skriver ikke i et passordfelt.");
        }
        mutate(plan.ticket, [&] {
            accessibility_.setValue(plan.target->element, *value);
            return true;
        });
    } else if (type == "pointer.click") {
        Point point = screenPoint(action, record);
        int count = readClampedInt(action, "count", 1, 1, 3);
        Input::click(input_, point, readString(action, "button").value_or("left"), count,
                     plan.guard);
    } else if (type == "pointer.scroll") {
        Point point = screenPoint(action, record);
        int dx = readClampedInt(action, "dx", 0, -2000, 2000);
        int dy = readClampedInt(action, "dy", 0, -2000, 2000);
        Input::scroll(input_, point, dx, dy, plan.guard);
    } else if (type == "pointer.drag") {
        Point start = screenPoint(action, record);
        const Json* to = readObject(action, "to");
        Point end = screenPoint(to != nullptr ? *to : emptyObject(), record);
        Input::drag(input_, start, end, plan.guard);
    } else if (type == "key.type") {
        auto text = readString(action, "text");
        if (!text || text->empty()) {
            throw Failure("invalid_request", "Mangler tekst.");
        }
        Input::type(input_, *text, plan.guard);
    } else if (type == "key.press") {
        auto key = readString(action, "key");
        if (!key) {
            throw Failure("invalid_request", "Mangler tast.");
        }
        Input::press(input_, *key,
                     readStrings(action, "modifiers").value_or(std::vector<std::string>{}),
                     plan.guard);
    }
}

// An answer the app did not give in time counts as submitted with its uncertainty; a refusal
// or a cut-short action forgets the observation and says whether any of its input reached the
// desktop (`partial`); input that could not be made says so too, and forgets the observation
// only when some of it was sent; anything else was refused before anything happened.
std::optional<std::string> Engine::classifyActionFailure(const Failure& failure, bool partial) {
    const std::string& code = failure.code;
    if (code == "timeout" || code == "uncertain") {
        return submittedButUnanswered;
    }
    if (code == "stopped" || code == "cancelled" || code == "foreground_lost" ||
        code == "denied_target" || code == "stale_observation" ||
        (code == "input_unavailable" && partial)) {
        forgetObservation();
        throw failure.adding(Json{{"partial", partial}});
    }
    if (code == "input_unavailable") {
        throw failure.adding(Json{{"partial", false}});
    }
    throw failure;
}

void Engine::throwMutationRefusal(const Ticket& ticket) {
    ledger_.check(ticket);
    input_.ledger().checkRunning();
    throw Failure("stopped", "Styringen ble stoppet før handlingen ble sendt.");
}

} // namespace orvel
