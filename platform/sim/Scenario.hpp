// A scenario as loaded and validated: the simulated desktop's starting state and its script,
// as plain values. `ScenarioParser` builds it from JSON; `World` is started from it.
#pragma once

#include "OrvelControlCore/Geometry.hpp"
#include "OrvelControlCore/Json.hpp"
#include "platform/Workspace.hpp"
#include "platform/sim/Action.hpp"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

namespace orvel::sim {

struct ElementModel {
    std::string id;
    std::optional<std::string> role;
    std::optional<std::string> subrole;
    std::optional<std::string> title;
    std::optional<std::string> description;
    std::optional<std::string> label;
    std::optional<Json> value; // a string or a number
    bool enabled = true;
    std::optional<bool> focused; // absent: follows the app's keyboard focus
    std::optional<Rect> frame;
    std::map<std::string, Json> attributes; // raw values that win over the named ones; null: absent
    std::vector<std::string> actions;
    std::set<std::string> settable;
    std::vector<ElementModel> children;
    double latency = 0;
    std::map<std::string, std::int32_t> errors;
    std::map<std::string, std::int32_t> actionErrors;
    std::map<std::string, std::vector<Action>> on;
};

enum class ActivationMode { accept, slow, ignore, refuse };

struct AppModel {
    std::int32_t pid = 0;
    std::optional<std::string> bundleId;
    std::optional<std::string> name;
    std::optional<double> launchedAt;
    platform::ActivationPolicy policy = platform::ActivationPolicy::regular;
    bool hidden = false;
    ActivationMode activation = ActivationMode::accept;
    double activationDelay = 0.5;
    std::optional<std::string> focusedWindow;
    std::optional<std::string> focusedElement;
    std::optional<std::vector<std::string>> axWindows;
    double latency = 0;
};

struct WindowModel {
    std::uint32_t windowId = 0;
    std::int32_t pid = 0;
    std::string title;
    Rect frame;
    std::int64_t layer = 0;
    bool onScreen = true;
    bool shareable = true;
    std::optional<ElementModel> tree;
    Json raw = Json::object(); // entries replacing keys of the window's dictionary; null removes
    double captureLatency = 0;
    std::optional<std::string> captureError;
};

struct Display {
    Rect frame;
    double scale = 2.0;
};

struct Permissions {
    bool accessibility = true;
    bool screenRecording = true;
    bool inputMonitoring = true;
};

enum class TapMode { ok, uncreatable, unenablable };

struct AtTime {
    double seconds = 0;
};
struct WhenPosted {
    std::uint32_t type = 0;
    std::int64_t count = 1;
};

struct ScriptStep {
    std::variant<AtTime, WhenPosted> trigger;
    Action action;
};

struct Scenario {
    std::vector<Display> displays;
    std::optional<Json> session;
    Permissions permissions;
    bool grantOnRequest = false;
    bool secureInput = false;
    TapMode tap = TapMode::ok;
    std::optional<std::int32_t> frontmost;
    std::optional<Point> pointer;
    std::vector<AppModel> apps;
    std::vector<WindowModel> windows;
    std::vector<ScriptStep> script;
    double shareableContentLatency = 0;
    std::optional<std::string> shareableContentError;
    // Event type -> how many of the program's next requests to create an event of that type
    // fail, as a broken event system's would.
    std::map<std::uint32_t, std::int64_t> uncreatableEvents;
};

} // namespace orvel::sim
