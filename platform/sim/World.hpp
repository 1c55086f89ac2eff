// The simulated desktop as it is now: its apps, the window server's list of windows (front to
// back), the accessibility elements of the window trees, and the desktop-wide facts
// (displays, session, permissions, focus, pointer). Started from a `Scenario` and changed by
// effects, script steps and the built-in reactions to input.
//
// Not thread-safe: the desktop keeps it behind its one mutex.
#pragma once

#include "OrvelControlCore/Geometry.hpp"
#include "OrvelControlCore/Json.hpp"
#include "platform/sim/Scenario.hpp"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace orvel::sim {

struct LiveElement {
    std::uint64_t node = 0;
    std::int32_t pid = 0;
    std::uint32_t windowId = 0;
    std::uint64_t parent = 0; // 0 for the root of a window's tree
    std::vector<std::uint64_t> children;
    ElementModel model; // the element's attributes; `model.children` stays empty
};

struct LiveApp {
    std::int32_t pid = 0;
    std::optional<std::string> bundleId;
    std::optional<std::string> name;
    std::optional<double> launchedAt;
    platform::ActivationPolicy policy = platform::ActivationPolicy::regular;
    bool hidden = false;
    ActivationMode activation = ActivationMode::accept;
    double activationDelay = 0;
    double latency = 0;
    std::uint64_t focusedWindow = 0; // node of a window root, 0 for none
    std::uint64_t focusedElement = 0;
    std::optional<std::vector<std::uint64_t>>
        axWindows; // given order; absent: follows the window list
};

struct LiveWindow {
    std::uint32_t windowId = 0;
    std::int32_t pid = 0;
    std::string title;
    Rect frame;
    std::int64_t layer = 0;
    bool onScreen = true;
    bool shareable = true;
    std::uint64_t root = 0; // node of its tree, 0 without one
    Json raw = Json::object();
    double captureLatency = 0;
    std::optional<std::string> captureError;
};

class World {
  public:
    explicit World(const Scenario& scenario);

    std::vector<Display> displays;
    std::optional<Json> session;
    Permissions permissions;
    bool grantOnRequest = false;
    bool secureInput = false;
    TapMode tap = TapMode::ok;
    std::int32_t frontmost = 0; // 0 for none
    std::optional<Point> pointer;
    double shareableContentLatency = 0;
    std::optional<std::string> shareableContentError;

    const std::vector<LiveApp>& apps() const { return apps_; }
    const std::vector<LiveWindow>& windows() const { return windows_; }
    const LiveApp* app(std::int32_t pid) const;
    LiveApp* app(std::int32_t pid);
    const LiveWindow* window(std::uint32_t windowId) const;
    LiveWindow* window(std::uint32_t windowId);
    const LiveElement* element(std::uint64_t node) const;
    LiveElement* element(std::uint64_t node);
    const LiveElement* elementById(const std::string& id) const;

    // On screen as the window server sees it: flagged so, and its app not hidden.
    bool isOnScreen(const LiveWindow& window) const;
    // The app's "AXWindows": the given order, or its windows with a tree in window-list order.
    std::vector<std::uint64_t> axWindowsOf(const LiveApp& app) const;
    bool isFocused(const LiveElement& element) const;
    // The root of the tree the element belongs to.
    std::uint64_t rootOf(const LiveElement& element) const;
    // The element and its ancestors, nearest first.
    std::vector<const LiveElement*> ancestry(const LiveElement& element) const;

    // Appends a copy of `model` under `parent`; nothing when the parent is gone or one of the new
    // ids is already in use.
    void addElement(const ElementModel& model, std::uint64_t parent);
    void removeElement(std::uint64_t node);
    void closeWindow(std::uint32_t windowId);
    void moveWindow(std::uint32_t windowId, double dx, double dy);
    void setOnScreen(std::uint32_t windowId, bool onScreen);
    // Keyboard focus to the element, and its window becomes its app's focused window.
    void focus(std::uint64_t node);
    // The window to the front of the windows of its layer; the app's focused window when it
    // has a tree.
    void raiseWindow(std::uint32_t windowId);
    // The app becomes frontmost and visible, its windows in front of the others' in their layers.
    void bringForward(std::int32_t pid);
    void quit(std::int32_t pid);
    // Sets an attribute as an effect does: named attributes of the right type change the
    // element's own value, anything else becomes a raw value.
    void setAttribute(std::uint64_t node, const std::string& attribute, const Json& value);
    // Stores a text as the element's value.
    void storeValue(std::uint64_t node, std::string text);

  private:
    void addWindow(const WindowModel& model);
    void addApp(const AppModel& model);
    std::uint64_t buildTree(const ElementModel& model, std::int32_t pid, std::uint32_t windowId,
                            std::uint64_t parent);
    bool anyIdInUse(const ElementModel& model) const;
    void forget(std::uint64_t node);
    void repairFocus(LiveApp& app);
    void moveToFrontOfLayer(std::size_t index);
    void moveTree(std::uint64_t node, double dx, double dy);

    std::vector<LiveApp> apps_;
    std::vector<LiveWindow> windows_;
    std::map<std::uint64_t, LiveElement> elements_;
    std::unordered_map<std::string, std::uint64_t> ids_; // live elements only
    std::uint64_t nextNode_ = 1;
};

} // namespace orvel::sim
