#include "mcp/ToolTable.hpp"

namespace orvel::mcp {

namespace {

struct ToolText {
    const char* name;
    const char* op;
    const char* title;
    const char* description;
    ToolHints hints;
};

constexpr ToolHints readOnly{true, false, true, false};
constexpr ToolHints control{false, false, true, false};

// Written for the model that decides which tool to call and how.
const ToolText toolTexts[] = {
    {"apps_list", "apps.list", "List running apps",
     "List the running applications of the desktop, sorted by name: pid, bundle identifier, "
     "name, launch time, whether each is active or hidden, how many ordinary windows it has on "
     "screen, and whether it may be controlled at all (allowed; when not, denialReason says why, "
     "in Norwegian for the user). Start here to find the pid of the app to work with.",
     readOnly},
    {"windows_list", "windows.list", "List an app's windows",
     "List the on-screen windows of one application, front to back, with windowId, title, frame "
     "in screen points and whether each is an ordinary (eligible) window. Pass the pid from "
     "apps_list, and its bundleId to make sure the pid still belongs to the same app. Observe an "
     "eligible window next.",
     readOnly},
    {"observe", "observe", "Observe a window",
     "Observe one window without touching it: a bounded, breadth-first list of its accessibility "
     "elements, each with an id (e1 is the window itself), role, label, value, state, available "
     "actions and frame (relative to the window, and in screen points), plus a digest and an "
     "observationId. Set screenshot to true to get a PNG picture of the window as an image as "
     "well (scaled down to fit the tool result when the window is large; scaledForTransport "
     "says so). Every act must name the observationId of the latest observation, so observe "
     "again whenever the window may have changed.",
     readOnly},
    {"act",
     "act",
     "Act in the observed window",
     "Perform exactly one action in the window observed last, then observe it again. Before "
     "anything is sent the action is checked against the live app and refused when anything "
     "differs from the observation (window moved, element changed, screen locked, a password "
     "field, an app out of reach). In background mode only the accessibility actions work "
     "(ax.press, ax.action, ax.setValue) and the user's keyboard and mouse stay untouched; "
     "pointer.* and key.* actions need mode foreground, which brings the app forward and sends "
     "real input, and stops at once when the user touches keyboard or mouse. The result tells "
     "whether the window visibly changed (changed), carries the new observation (name its "
     "observationId next) and an uncertainty text when the outcome is unclear. A refusal comes "
     "back as an error result with a code and a Norwegian message meant for the user.",
     {false, true, false, true}},
    {"permissions_status", "permissions.status", "Permission status",
     "Report the operating-system permissions the program needs (Accessibility to observe and "
     "act, Screen Recording for screenshots, Input Monitoring to notice the user taking over), "
     "whether the screen is locked, whether secure keyboard entry is on, and whether foreground "
     "actions are possible.",
     readOnly},
    {"permissions_request",
     "permissions.request",
     "Request a permission",
     "Ask the operating system for one permission the program lacks (the user sees the system's "
     "own prompt), and optionally open its pane of the system settings. Returns the permission "
     "status afterwards.",
     {false, false, false, false}},
    {"health", "health", "Program health",
     "Report the program's state: version, whether control is halted, the current "
     "observation's id, requests in flight, anything held pressed, and the permission status. "
     "Answered at once, also while another call runs.",
     readOnly},
    {"stop", "stop", "Stop control",
     "Halt control at once: a running observation or action is stopped, every key and mouse "
     "button the program holds is released, and every further action is refused until resume. "
     "Use it as soon as the user asks to stop. Answered at once, also while another call runs.",
     control},
    {"resume", "resume", "Resume control",
     "End a halt (after stop, or after the user took over keyboard or mouse) so that actions "
     "are possible again. Observe again before the next act. Answered at once.",
     control},
    {"release", "release", "Release held input",
     "Let go of every key and mouse button the program holds, without halting. Answered at "
     "once, also while another call runs.",
     control},
};

Json hintsPayload(const ToolText& text) {
    return Json{{"title", text.title},
                {"readOnlyHint", text.hints.readOnly},
                {"destructiveHint", text.hints.destructive},
                {"idempotentHint", text.hints.idempotent},
                {"openWorldHint", text.hints.openWorld}};
}

Json toolPayload(const Tool& tool, const ToolText& text, bool structured) {
    Json payload{{"name", tool.name},
                 {"description", tool.description},
                 {"inputSchema", tool.inputSchema},
                 {"annotations", hintsPayload(text)}};
    if (structured) {
        payload["title"] = tool.title;
        payload["outputSchema"] = tool.outputSchema;
    }
    return payload;
}

} // namespace

ToolTable::ToolTable(const SchemaCatalog& schemas) {
    Json structured = Json::array();
    Json plain = Json::array();
    for (const auto& text : toolTexts) {
        std::string op = text.op;
        Json input = schemas.bundled(op + ".request.json");
        ArgumentValidator validator(input);
        tools_.push_back(Tool{text.name, op, text.title, text.description, text.hints,
                              std::move(input), schemas.toolOutputSchema(op + ".result.json"),
                              std::move(validator)});
        structured.push_back(toolPayload(tools_.back(), text, true));
        plain.push_back(toolPayload(tools_.back(), text, false));
    }
    structuredList_ = Json{{"tools", std::move(structured)}};
    plainList_ = Json{{"tools", std::move(plain)}};
}

const Tool* ToolTable::find(std::string_view name) const {
    for (const auto& tool : tools_) {
        if (tool.name == name) {
            return &tool;
        }
    }
    return nullptr;
}

const Json& ToolTable::listResult(ProtocolVersion version) const {
    return hasStructuredResults(version) ? structuredList_ : plainList_;
}

} // namespace orvel::mcp
