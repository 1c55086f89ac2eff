#include "platform/sim/ScenarioParser.hpp"

#include "OrvelControlCore/Text.hpp"
#include "platform/sim/EventKinds.hpp"

#include <algorithm>
#include <limits>

namespace orvel::sim {

namespace {

constexpr std::int64_t int32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t int32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t uint32Max = std::numeric_limits<std::uint32_t>::max();

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

Json defaultSession() {
    return Json{{"kCGSSessionOnConsoleKey", true}, {"kCGSessionLoginDoneKey", true}};
}

Display defaultDisplay() {
    return Display{Rect{{0, 0}, {1512, 982}}, 2.0};
}

platform::ActivationPolicy parsePolicy(const ScenarioNode& node) {
    const auto name = node.string();
    if (name == "regular") {
        return platform::ActivationPolicy::regular;
    }
    if (name == "accessory") {
        return platform::ActivationPolicy::accessory;
    }
    if (name == "prohibited") {
        return platform::ActivationPolicy::prohibited;
    }
    node.fail("must be \"regular\", \"accessory\" or \"prohibited\"");
}

ActivationMode parseActivation(const ScenarioNode& node) {
    const auto name = node.string();
    if (name == "accept") {
        return ActivationMode::accept;
    }
    if (name == "slow") {
        return ActivationMode::slow;
    }
    if (name == "ignore") {
        return ActivationMode::ignore;
    }
    if (name == "refuse") {
        return ActivationMode::refuse;
    }
    node.fail("must be \"accept\", \"slow\", \"ignore\" or \"refuse\"");
}

std::uint32_t parseEventKind(const ScenarioNode& node) {
    if (!node.json().is_string()) {
        node.fail("must be the name of an event kind such as \"keyDown\"");
    }
    auto type = eventTypeNamed(node.json().get<std::string>());
    if (!type) {
        node.fail("is not a known event kind: " + quoted(node.json().get<std::string>()));
    }
    return *type;
}

std::map<std::uint32_t, std::int64_t> parseUncreatableEvents(const ScenarioNode& node) {
    if (!node.json().is_object()) {
        node.fail("must be an object of event kinds and counts");
    }
    std::map<std::uint32_t, std::int64_t> counts;
    for (const auto& [name, count] : node.entries()) {
        auto type = eventTypeNamed(name);
        if (!type) {
            count.fail("is not a known event kind");
        }
        counts[*type] = count.integer(0, int32Max);
    }
    return counts;
}

std::map<std::string, std::int32_t> parseStatuses(const ScenarioNode& node) {
    std::map<std::string, std::int32_t> statuses;
    for (const auto& [name, status] : node.entries()) {
        statuses[name] = static_cast<std::int32_t>(status.integer(int32Min, int32Max));
    }
    return statuses;
}

// A refusal is one line of text whatever the scenario quoted into it (a key with a line break
// in it, bytes that are not text): control characters are written as escapes, and broken
// bytes repaired.
std::string refusalLine(const std::string& message) {
    std::string line;
    for (const char character : text::validUtf8(message)) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte == '\n') {
            line += "\\n";
        } else if (byte == '\r') {
            line += "\\r";
        } else if (byte == '\t') {
            line += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            static constexpr char digits[] = "0123456789abcdef";
            line += "\\u00";
            line += digits[byte >> 4];
            line += digits[byte & 0xF];
        } else {
            line += character;
        }
    }
    return line;
}

} // namespace

std::optional<Scenario> parseScenarioText(std::string_view text, const std::string& source,
                                          ProcessPids pids, std::string& error) {
    Json document;
    try {
        document = Json::parse(text);
    } catch (const Json::exception& problem) {
        // Malformed text, and numbers beyond a double's range ("1e999"), which the parser
        // reports as out of range rather than as a parse error.
        // nlohmann's text starts with its own "[json.exception...] " tag; the rest says where.
        const std::string detail = problem.what();
        const auto tagEnd = detail.find("] ");
        // The parser quotes the bytes it last read, which need not be text: repaired, so that
        // the refusal can go into a log or a response as it is.
        error = refusalLine(source + " is not valid JSON: " +
                            (tagEnd == std::string::npos ? detail : detail.substr(tagEnd + 2)));
        return std::nullopt;
    }
    try {
        return ScenarioParser(pids).parse(document);
    } catch (const ScenarioError& problem) {
        error = refusalLine(source + ": " + problem.what());
        return std::nullopt;
    }
}

Scenario ScenarioParser::parse(const Json& document) {
    const ScenarioNode root(document, "");
    if (!document.is_object()) {
        root.fail("must be a JSON object");
    }
    Scenario scenario;
    scenario.displays = {defaultDisplay()};
    scenario.session = defaultSession();
    if (auto node = root.field("displays")) {
        scenario.displays = parseDisplays(*node);
    }
    if (auto node = root.field("session")) {
        if (!node->isNull() && !node->json().is_object()) {
            node->fail("must be an object or null");
        }
        scenario.session = node->isNull() ? std::nullopt : std::optional<Json>(node->json());
    }
    if (auto node = root.field("permissions")) {
        scenario.permissions = parsePermissions(*node);
    }
    if (auto node = root.field("grantOnRequest")) {
        scenario.grantOnRequest = node->boolean();
    }
    if (auto node = root.field("secureInput")) {
        scenario.secureInput = node->boolean();
    }
    if (auto node = root.field("tap")) {
        scenario.tap = parseTapMode(*node);
    }
    if (auto node = root.field("pointer")) {
        scenario.pointer = node->isNull() ? std::nullopt : std::optional<Point>(parsePoint(*node));
    } else {
        scenario.pointer = Point{0, 0};
    }
    if (auto node = root.field("shareableContentLatency")) {
        scenario.shareableContentLatency = node->nonNegativeNumber();
    }
    if (auto node = root.field("shareableContentError")) {
        scenario.shareableContentError = optionalText(*node);
    }
    if (auto node = root.field("uncreatableEvents")) {
        scenario.uncreatableEvents = parseUncreatableEvents(*node);
    }

    const auto appsNode = root.field("apps");
    if (appsNode) {
        for (const auto& app : appsNode->items()) {
            scenario.apps.push_back(parseApp(app));
        }
        checkUniqueApps(scenario.apps, *appsNode);
    }
    if (auto node = root.field("windows")) {
        for (const auto& window : node->items()) {
            scenario.windows.push_back(parseWindow(window));
        }
        checkWindows(scenario.windows, *node);
    }
    if (appsNode) {
        const auto apps = appsNode->items();
        for (std::size_t index = 0; index < scenario.apps.size(); ++index) {
            checkAppFocus(scenario.apps[index], scenario.windows, apps[index]);
        }
    }

    if (auto node = root.field("frontmost")) {
        scenario.frontmost =
            node->isNull() ? std::nullopt : std::optional<std::int32_t>(pidReference(*node));
    } else if (!scenario.apps.empty()) {
        scenario.frontmost = scenario.apps.front().pid;
    }
    if (auto node = root.field("script")) {
        for (const auto& step : node->items()) {
            scenario.script.push_back(parseStep(step));
        }
    }
    checkReferences();
    return scenario;
}

std::vector<Display> ScenarioParser::parseDisplays(const ScenarioNode& node) {
    std::vector<Display> displays;
    for (const auto& display : node.items()) {
        displays.push_back(parseDisplay(display));
    }
    return displays;
}

Display ScenarioParser::parseDisplay(const ScenarioNode& node) {
    node.expectObjectWith({"frame", "scale"});
    Display display;
    auto frame = node.field("frame");
    if (!frame) {
        node.fail("needs a \"frame\"");
    }
    display.frame = parseRect(*frame);
    if (auto scale = node.field("scale")) {
        display.scale = scale->number();
        if (display.scale <= 0) {
            scale->fail("must be greater than 0");
        }
    }
    return display;
}

Permissions ScenarioParser::parsePermissions(const ScenarioNode& node) {
    node.expectObjectWith({"accessibility", "screenRecording", "inputMonitoring"});
    Permissions permissions;
    if (auto value = node.field("accessibility")) {
        permissions.accessibility = value->boolean();
    }
    if (auto value = node.field("screenRecording")) {
        permissions.screenRecording = value->boolean();
    }
    if (auto value = node.field("inputMonitoring")) {
        permissions.inputMonitoring = value->boolean();
    }
    return permissions;
}

TapMode ScenarioParser::parseTapMode(const ScenarioNode& node) {
    const auto name = node.string();
    if (name == "ok") {
        return TapMode::ok;
    }
    if (name == "uncreatable") {
        return TapMode::uncreatable;
    }
    if (name == "unenablable") {
        return TapMode::unenablable;
    }
    node.fail("must be \"ok\", \"uncreatable\" or \"unenablable\"");
}

AppModel ScenarioParser::parseApp(const ScenarioNode& node) {
    node.expectObjectWith({"pid", "bundleId", "name", "launchedAt", "policy", "hidden",
                           "activation", "activationDelay", "focusedWindow", "focusedElement",
                           "axWindows", "latency"});
    AppModel app;
    auto pid = node.field("pid");
    if (!pid) {
        node.fail("needs a \"pid\"");
    }
    app.pid = parsePid(*pid);
    if (auto value = node.field("bundleId")) {
        app.bundleId = optionalHandedText(*value);
    }
    if (auto value = node.field("name")) {
        app.name = optionalHandedText(*value);
    }
    if (auto value = node.field("launchedAt")) {
        app.launchedAt = value->isNull() ? std::nullopt : std::optional<double>(value->number());
    }
    if (auto value = node.field("policy")) {
        app.policy = parsePolicy(*value);
    }
    if (auto value = node.field("hidden")) {
        app.hidden = value->boolean();
    }
    if (auto value = node.field("activation")) {
        app.activation = parseActivation(*value);
    }
    if (auto value = node.field("activationDelay")) {
        app.activationDelay = value->nonNegativeNumber();
    }
    if (auto value = node.field("focusedWindow")) {
        app.focusedWindow =
            value->isNull() ? std::nullopt : std::optional<std::string>(value->string());
    }
    if (auto value = node.field("focusedElement")) {
        app.focusedElement =
            value->isNull() ? std::nullopt : std::optional<std::string>(value->string());
    }
    if (auto value = node.field("axWindows")) {
        std::vector<std::string> ids;
        for (const auto& id : value->items()) {
            ids.push_back(id.string());
        }
        app.axWindows = std::move(ids);
    }
    if (auto value = node.field("latency")) {
        app.latency = value->nonNegativeNumber();
    }
    return app;
}

WindowModel ScenarioParser::parseWindow(const ScenarioNode& node) {
    node.expectObjectWith({"windowId", "pid", "title", "frame", "layer", "onScreen", "shareable",
                           "tree", "raw", "captureLatency", "captureError"});
    WindowModel window;
    auto windowId = node.field("windowId");
    if (!windowId) {
        node.fail("needs a \"windowId\"");
    }
    window.windowId = parseWindowId(*windowId);
    auto pid = node.field("pid");
    if (!pid) {
        node.fail("needs a \"pid\"");
    }
    window.pid = parsePid(*pid);
    if (auto value = node.field("title")) {
        window.title = value->text();
    }
    if (auto value = node.field("frame")) {
        window.frame = parseRect(*value);
    }
    if (auto value = node.field("layer")) {
        window.layer = value->integer(int32Min, int32Max);
    }
    if (auto value = node.field("onScreen")) {
        window.onScreen = value->boolean();
    }
    if (auto value = node.field("shareable")) {
        window.shareable = value->boolean();
    }
    if (auto value = node.field("raw")) {
        if (!value->json().is_object()) {
            value->fail("must be an object");
        }
        window.raw = value->json();
    }
    if (auto value = node.field("captureLatency")) {
        window.captureLatency = value->nonNegativeNumber();
    }
    if (auto value = node.field("captureError")) {
        window.captureError = optionalText(*value);
    }
    if (auto tree = node.field("tree"); tree && !tree->isNull()) {
        auto root = parseElement(*tree);
        applyWindowDefaults(root, *tree, window);
        window.tree = std::move(root);
    }
    return window;
}

void ScenarioParser::applyWindowDefaults(ElementModel& root, const ScenarioNode& tree,
                                         const WindowModel& window) {
    if (!tree.field("role")) {
        root.role = "AXWindow";
    }
    if (!tree.field("frame")) {
        root.frame = window.frame;
    }
    if (!tree.field("title")) {
        root.title = window.title;
    }
}

ElementModel ScenarioParser::parseElement(const ScenarioNode& node) {
    node.expectObjectWith({"id", "role", "subrole", "title", "description", "label", "value",
                           "enabled", "focused", "frame", "attributes", "actions", "settable",
                           "children", "latency", "errors", "actionErrors", "on"});
    ElementModel element;
    auto id = node.field("id");
    if (!id) {
        node.fail("needs an \"id\"");
    }
    element.id = id->string();
    if (element.id.empty()) {
        id->fail("must not be empty");
    }
    declareElement(element.id, node.path());
    for (auto [key, target] :
         {std::pair{"role", &element.role}, std::pair{"subrole", &element.subrole},
          std::pair{"title", &element.title}, std::pair{"description", &element.description},
          std::pair{"label", &element.label}}) {
        if (auto value = node.field(key)) {
            *target = optionalHandedText(*value);
        }
    }
    if (auto value = node.field("value"); value && !value->isNull()) {
        if (value->json().is_object()) {
            element.value = Json(value->text());
        } else if (value->json().is_string() || value->json().is_number()) {
            if (value->json().is_number()) {
                value->number();
            }
            element.value = value->json();
        } else {
            value->fail("must be a string, a number or null");
        }
    }
    if (auto value = node.field("enabled")) {
        element.enabled = value->boolean();
    }
    if (auto value = node.field("focused"); value && !value->isNull()) {
        element.focused = value->boolean();
    }
    if (auto value = node.field("frame"); value && !value->isNull()) {
        element.frame = parseRect(*value);
    }
    if (auto value = node.field("attributes")) {
        for (const auto& [name, raw] : value->entries()) {
            noteRawReferences(raw);
            element.attributes[name] = raw.json();
        }
    }
    if (auto value = node.field("actions")) {
        for (const auto& action : value->items()) {
            element.actions.push_back(action.string());
        }
    }
    if (auto value = node.field("settable")) {
        for (const auto& attribute : value->items()) {
            const auto name = attribute.string();
            if (name != "AXValue" && name != "AXFocused") {
                attribute.fail("must be \"AXValue\" or \"AXFocused\"");
            }
            element.settable.insert(name);
        }
    }
    if (auto value = node.field("latency")) {
        element.latency = value->nonNegativeNumber();
    }
    if (auto value = node.field("errors")) {
        element.errors = parseStatuses(*value);
    }
    if (auto value = node.field("actionErrors")) {
        element.actionErrors = parseStatuses(*value);
    }
    if (auto value = node.field("on")) {
        for (const auto& [name, effects] : value->entries()) {
            element.on[name] = parseActions(effects);
        }
    }
    if (auto value = node.field("children")) {
        for (const auto& child : value->items()) {
            element.children.push_back(parseElement(child));
        }
    }
    return element;
}

ScriptStep ScenarioParser::parseStep(const ScenarioNode& node) {
    node.expectObjectWith({"at", "when", "do"});
    auto at = node.field("at");
    auto when = node.field("when");
    auto action = node.field("do");
    if (!action) {
        node.fail("needs a \"do\"");
    }
    if (at.has_value() == when.has_value()) {
        node.fail("needs exactly one of \"at\" and \"when\"");
    }
    ScriptStep step{AtTime{}, parseAction(*action)};
    if (at) {
        step.trigger = AtTime{at->nonNegativeNumber()};
        return step;
    }
    when->expectObjectWith({"posted", "count"});
    auto posted = when->field("posted");
    if (!posted) {
        when->fail("needs \"posted\"");
    }
    WhenPosted trigger{parseEventKind(*posted), 1};
    if (auto count = when->field("count")) {
        trigger.count = count->integer(1, std::numeric_limits<std::int32_t>::max());
    }
    step.trigger = trigger;
    return step;
}

std::vector<Action> ScenarioParser::parseActions(const ScenarioNode& node) {
    std::vector<Action> actions;
    for (const auto& action : node.items()) {
        actions.push_back(parseAction(action));
    }
    return actions;
}

Action ScenarioParser::parseAction(const ScenarioNode& node) {
    if (!node.json().is_object() || node.json().size() != 1) {
        node.fail("must be an object with exactly one key naming the effect");
    }
    const auto& key = node.json().begin().key();
    const ScenarioNode value = *node.field(key);
    if (key == "set") {
        return parseSet(value);
    }
    if (key == "remove") {
        return RemoveElement{elementReference(value)};
    }
    if (key == "add") {
        return parseAdd(value);
    }
    if (key == "focus") {
        return FocusElement{elementReference(value)};
    }
    if (key == "closeWindow") {
        return CloseWindow{windowReference(value)};
    }
    if (key == "moveWindow") {
        return parseMove(value);
    }
    if (key == "showWindow" || key == "hideWindow") {
        return ShowWindow{windowReference(value), key == "showWindow"};
    }
    if (key == "secureInput") {
        return SetSecureInput{value.boolean()};
    }
    if (key == "frontmost") {
        return BringToFront{pidReference(value)};
    }
    if (key == "userInput") {
        return UserInput{parseEventKind(value)};
    }
    if (key == "lock") {
        return LockNotice{value.boolean()};
    }
    if (key == "session") {
        if (!value.isNull() && !value.json().is_object()) {
            value.fail("must be an object or null");
        }
        return ReplaceSession{value.isNull() ? std::nullopt : std::optional<Json>(value.json())};
    }
    if (key == "tapDisabled") {
        const auto reason = value.string();
        if (reason != "timeout" && reason != "user_input") {
            value.fail("must be \"timeout\" or \"user_input\"");
        }
        return DisableTap{reason == "timeout"};
    }
    if (key == "permissions") {
        return parsePermissionChange(value);
    }
    if (key == "quit") {
        return QuitApp{pidReference(value)};
    }
    value.fail("is not a known effect");
}

SetAttribute ScenarioParser::parseSet(const ScenarioNode& node) {
    node.expectObjectWith({"element", "attribute", "value"});
    auto element = node.field("element");
    auto attribute = node.field("attribute");
    auto value = node.field("value");
    if (!element || !attribute || !value) {
        node.fail("needs \"element\", \"attribute\" and \"value\"");
    }
    SetAttribute set{elementReference(*element), attribute->string(), value->json()};
    if (set.attribute == "frame" && !value->isNull()) {
        parseRect(*value);
    }
    noteRawReferences(*value);
    return set;
}

AddElement ScenarioParser::parseAdd(const ScenarioNode& node) {
    node.expectObjectWith({"parent", "element"});
    auto parent = node.field("parent");
    auto element = node.field("element");
    if (!parent || !element) {
        node.fail("needs \"parent\" and \"element\"");
    }
    return AddElement{elementReference(*parent),
                      std::make_shared<const ElementModel>(parseElement(*element))};
}

MoveWindow ScenarioParser::parseMove(const ScenarioNode& node) {
    node.expectObjectWith({"windowId", "dx", "dy"});
    auto windowId = node.field("windowId");
    if (!windowId) {
        node.fail("needs \"windowId\"");
    }
    MoveWindow move{windowReference(*windowId), 0, 0};
    if (auto dx = node.field("dx")) {
        move.dx = dx->number();
    }
    if (auto dy = node.field("dy")) {
        move.dy = dy->number();
    }
    return move;
}

SetPermissions ScenarioParser::parsePermissionChange(const ScenarioNode& node) {
    node.expectObjectWith({"accessibility", "screenRecording", "inputMonitoring"});
    SetPermissions change;
    if (auto value = node.field("accessibility")) {
        change.accessibility = value->boolean();
    }
    if (auto value = node.field("screenRecording")) {
        change.screenRecording = value->boolean();
    }
    if (auto value = node.field("inputMonitoring")) {
        change.inputMonitoring = value->boolean();
    }
    return change;
}

Rect ScenarioParser::parseRect(const ScenarioNode& node) {
    node.expectObjectWith({"x", "y", "width", "height"});
    Rect rect;
    for (auto [key, target] :
         {std::pair{"x", &rect.origin.x}, std::pair{"y", &rect.origin.y},
          std::pair{"width", &rect.size.width}, std::pair{"height", &rect.size.height}}) {
        auto value = node.field(key);
        if (!value) {
            node.fail("needs \"x\", \"y\", \"width\" and \"height\"");
        }
        *target = value->number();
    }
    return rect;
}

Point ScenarioParser::parsePoint(const ScenarioNode& node) {
    node.expectObjectWith({"x", "y"});
    auto x = node.field("x");
    auto y = node.field("y");
    if (!x || !y) {
        node.fail("needs \"x\" and \"y\"");
    }
    return Point{x->number(), y->number()};
}

std::int32_t ScenarioParser::parsePid(const ScenarioNode& node) {
    const auto& value = node.json();
    if (value.is_string() && value.get<std::string>() == "self") {
        return pids_.self;
    }
    if (value.is_string() && value.get<std::string>() == "parent") {
        return pids_.parent;
    }
    if (!value.is_number_integer()) {
        node.fail("must be an integer, \"self\" or \"parent\"");
    }
    return static_cast<std::int32_t>(node.integer(int32Min, int32Max));
}

std::uint32_t ScenarioParser::parseWindowId(const ScenarioNode& node) {
    return static_cast<std::uint32_t>(node.integer(0, uint32Max));
}

std::optional<std::string> ScenarioParser::optionalText(const ScenarioNode& node) {
    if (node.isNull()) {
        return std::nullopt;
    }
    if (!node.json().is_string()) {
        node.fail("must be a string or null");
    }
    return node.json().get<std::string>();
}

std::optional<std::string> ScenarioParser::optionalHandedText(const ScenarioNode& node) {
    if (node.isNull()) {
        return std::nullopt;
    }
    return node.text();
}

std::string ScenarioParser::elementReference(const ScenarioNode& node) {
    auto id = node.string();
    elementReferences_.push_back({id, node.path()});
    return id;
}

std::uint32_t ScenarioParser::windowReference(const ScenarioNode& node) {
    auto windowId = parseWindowId(node);
    windowReferences_.emplace_back(windowId, node.path());
    return windowId;
}

std::int32_t ScenarioParser::pidReference(const ScenarioNode& node) {
    auto pid = parsePid(node);
    pidReferences_.emplace_back(pid, node.path());
    return pid;
}

void ScenarioParser::noteRawReferences(const ScenarioNode& node) {
    const auto& value = node.json();
    if (value.is_array()) {
        for (const auto& item : node.items()) {
            noteRawReferences(item);
        }
    } else if (value.is_object() && value.size() == 1 && value.contains("element") &&
               value["element"].is_string()) {
        elementReference(*node.field("element"));
    }
}

void ScenarioParser::declareElement(const std::string& id, const std::string& path) {
    auto [place, inserted] = declaredElements_.emplace(id, path);
    if (!inserted) {
        throw ScenarioError(path + ".id " + quoted(id) + " is already the id of " + place->second);
    }
}

void ScenarioParser::collectTree(const ElementModel& element, std::int32_t pid) {
    initialElements_[element.id] = pid;
    for (const auto& child : element.children) {
        collectTree(child, pid);
    }
}

void ScenarioParser::checkUniqueApps(const std::vector<AppModel>& apps, const ScenarioNode& node) {
    const auto items = node.items();
    for (std::size_t index = 0; index < apps.size(); ++index) {
        if (!appPids_.insert(apps[index].pid).second) {
            items[index].fail("has the pid " + std::to_string(apps[index].pid) +
                              " of an earlier app");
        }
    }
}

void ScenarioParser::checkWindows(const std::vector<WindowModel>& windows,
                                  const ScenarioNode& node) {
    const auto items = node.items();
    for (std::size_t index = 0; index < windows.size(); ++index) {
        const auto& window = windows[index];
        if (!windowIds_.insert(window.windowId).second) {
            items[index].fail("has the windowId " + std::to_string(window.windowId) +
                              " of an earlier window");
        }
        if (window.tree && !appPids_.contains(window.pid)) {
            items[index].fail("has a tree but no app has its pid " + std::to_string(window.pid));
        }
        if (window.tree) {
            collectTree(*window.tree, window.pid);
        }
    }
}

void ScenarioParser::checkAppFocus(const AppModel& app, const std::vector<WindowModel>& windows,
                                   const ScenarioNode& node) {
    const auto ownWindowRoot = [&](const std::string& id) {
        return std::any_of(windows.begin(), windows.end(), [&](const WindowModel& window) {
            return window.pid == app.pid && window.tree && window.tree->id == id;
        });
    };
    if (app.focusedWindow && !ownWindowRoot(*app.focusedWindow)) {
        node.field("focusedWindow")
            ->fail("must be the tree id of one of the app's windows, not " +
                   quoted(*app.focusedWindow));
    }
    if (app.focusedElement) {
        auto found = initialElements_.find(*app.focusedElement);
        if (found == initialElements_.end() || found->second != app.pid) {
            node.field("focusedElement")
                ->fail("must be the id of an element in one of the app's windows, not " +
                       quoted(*app.focusedElement));
        }
    }
    if (app.axWindows) {
        const auto items = node.field("axWindows")->items();
        for (std::size_t index = 0; index < app.axWindows->size(); ++index) {
            if (!initialElements_.contains((*app.axWindows)[index])) {
                items[index].fail("is not the id of an element of a window tree: " +
                                  quoted((*app.axWindows)[index]));
            }
        }
    }
}

void ScenarioParser::checkReferences() const {
    for (const auto& reference : elementReferences_) {
        if (!declaredElements_.contains(reference.target)) {
            throw ScenarioError(reference.path +
                                " names no element of the scenario: " + quoted(reference.target));
        }
    }
    for (const auto& [windowId, path] : windowReferences_) {
        if (!windowIds_.contains(windowId)) {
            throw ScenarioError(path +
                                " names no window of the scenario: " + std::to_string(windowId));
        }
    }
    for (const auto& [pid, path] : pidReferences_) {
        if (!appPids_.contains(pid)) {
            throw ScenarioError(path + " names no app of the scenario: pid " + std::to_string(pid));
        }
    }
}

} // namespace orvel::sim
