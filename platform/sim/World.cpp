#include "platform/sim/World.hpp"

#include <algorithm>

namespace orvel::sim {

namespace {

bool isNamedText(const std::string& attribute) {
    return attribute == "AXRole" || attribute == "AXSubrole" || attribute == "AXTitle" ||
           attribute == "AXDescription" || attribute == "AXLabel";
}

std::optional<std::string>& namedText(ElementModel& model, const std::string& attribute) {
    if (attribute == "AXRole") {
        return model.role;
    }
    if (attribute == "AXSubrole") {
        return model.subrole;
    }
    if (attribute == "AXTitle") {
        return model.title;
    }
    if (attribute == "AXDescription") {
        return model.description;
    }
    return model.label;
}

std::optional<Rect> rectFrom(const Json& value) {
    if (!value.is_object() || value.size() != 4) {
        return std::nullopt;
    }
    for (const char* key : {"x", "y", "width", "height"}) {
        if (!value.contains(key) || !value[key].is_number()) {
            return std::nullopt;
        }
    }
    return Rect{{value["x"].get<double>(), value["y"].get<double>()},
                {value["width"].get<double>(), value["height"].get<double>()}};
}

} // namespace

World::World(const Scenario& scenario)
    : displays(scenario.displays), session(scenario.session), permissions(scenario.permissions),
      grantOnRequest(scenario.grantOnRequest), secureInput(scenario.secureInput), tap(scenario.tap),
      frontmost(scenario.frontmost.value_or(0)), pointer(scenario.pointer),
      shareableContentLatency(scenario.shareableContentLatency),
      shareableContentError(scenario.shareableContentError) {
    for (const auto& model : scenario.windows) {
        addWindow(model);
    }
    for (const auto& model : scenario.apps) {
        addApp(model);
    }
}

void World::addWindow(const WindowModel& model) {
    windows_.push_back(LiveWindow{.windowId = model.windowId,
                                  .pid = model.pid,
                                  .title = model.title,
                                  .frame = model.frame,
                                  .layer = model.layer,
                                  .onScreen = model.onScreen,
                                  .shareable = model.shareable,
                                  .root = 0,
                                  .raw = model.raw,
                                  .captureLatency = model.captureLatency,
                                  .captureError = model.captureError});
    if (model.tree) {
        windows_.back().root = buildTree(*model.tree, model.pid, model.windowId, 0);
    }
}

void World::addApp(const AppModel& model) {
    LiveApp app{.pid = model.pid,
                .bundleId = model.bundleId,
                .name = model.name,
                .launchedAt = model.launchedAt,
                .policy = model.policy,
                .hidden = model.hidden,
                .activation = model.activation,
                .activationDelay = model.activationDelay,
                .latency = model.latency,
                .focusedWindow = 0,
                .focusedElement = 0,
                .axWindows = std::nullopt};
    const auto nodeOf = [this](const std::string& id) {
        auto found = ids_.find(id);
        return found == ids_.end() ? std::uint64_t{0} : found->second;
    };
    if (model.axWindows) {
        std::vector<std::uint64_t> nodes;
        for (const auto& id : *model.axWindows) {
            nodes.push_back(nodeOf(id));
        }
        app.axWindows = std::move(nodes);
    }
    if (model.focusedWindow) {
        app.focusedWindow = nodeOf(*model.focusedWindow);
    } else {
        // The first of its windows with a tree, in window-list order.
        auto first = std::find_if(windows_.begin(), windows_.end(), [&](const LiveWindow& window) {
            return window.pid == model.pid && window.root;
        });
        app.focusedWindow = first == windows_.end() ? 0 : first->root;
    }
    if (model.focusedElement) {
        app.focusedElement = nodeOf(*model.focusedElement);
    }
    apps_.push_back(std::move(app));
}

const LiveApp* World::app(std::int32_t pid) const {
    auto found = std::find_if(apps_.begin(), apps_.end(),
                              [pid](const LiveApp& app) { return app.pid == pid; });
    return found == apps_.end() ? nullptr : &*found;
}

LiveApp* World::app(std::int32_t pid) {
    return const_cast<LiveApp*>(std::as_const(*this).app(pid));
}

const LiveWindow* World::window(std::uint32_t windowId) const {
    auto found =
        std::find_if(windows_.begin(), windows_.end(),
                     [windowId](const LiveWindow& window) { return window.windowId == windowId; });
    return found == windows_.end() ? nullptr : &*found;
}

LiveWindow* World::window(std::uint32_t windowId) {
    return const_cast<LiveWindow*>(std::as_const(*this).window(windowId));
}

const LiveElement* World::element(std::uint64_t node) const {
    auto found = elements_.find(node);
    return found == elements_.end() ? nullptr : &found->second;
}

LiveElement* World::element(std::uint64_t node) {
    auto found = elements_.find(node);
    return found == elements_.end() ? nullptr : &found->second;
}

const LiveElement* World::elementById(const std::string& id) const {
    auto found = ids_.find(id);
    return found == ids_.end() ? nullptr : element(found->second);
}

bool World::isOnScreen(const LiveWindow& window) const {
    const auto* owner = app(window.pid);
    return window.onScreen && !(owner && owner->hidden);
}

std::vector<std::uint64_t> World::axWindowsOf(const LiveApp& app) const {
    std::vector<std::uint64_t> nodes;
    if (app.axWindows) {
        std::copy_if(app.axWindows->begin(), app.axWindows->end(), std::back_inserter(nodes),
                     [this](std::uint64_t node) { return element(node) != nullptr; });
        return nodes;
    }
    for (const auto& window : windows_) {
        if (window.pid == app.pid && window.root) {
            nodes.push_back(window.root);
        }
    }
    return nodes;
}

bool World::isFocused(const LiveElement& element) const {
    if (element.model.focused) {
        return *element.model.focused;
    }
    const auto* owner = app(element.pid);
    return owner && owner->focusedElement == element.node;
}

std::uint64_t World::rootOf(const LiveElement& element) const {
    const auto* window = this->window(element.windowId);
    return window ? window->root : 0;
}

std::vector<const LiveElement*> World::ancestry(const LiveElement& start) const {
    std::vector<const LiveElement*> chain;
    for (const auto* current = &start; current; current = element(current->parent)) {
        chain.push_back(current);
    }
    return chain;
}

void World::addElement(const ElementModel& model, std::uint64_t parent) {
    auto* parentElement = element(parent);
    if (!parentElement || anyIdInUse(model)) {
        return;
    }
    const auto pid = parentElement->pid;
    const auto windowId = parentElement->windowId;
    const auto node = buildTree(model, pid, windowId, parent);
    element(parent)->children.push_back(node);
}

void World::removeElement(std::uint64_t node) {
    const auto* target = element(node);
    if (!target) {
        return;
    }
    if (auto* parent = element(target->parent)) {
        std::erase(parent->children, node);
    }
    for (auto& window : windows_) {
        if (window.root == node) {
            window.root = 0;
        }
    }
    const auto pid = target->pid;
    forget(node);
    if (auto* owner = app(pid)) {
        repairFocus(*owner);
    }
}

void World::closeWindow(std::uint32_t windowId) {
    auto* target = window(windowId);
    if (!target) {
        return;
    }
    const auto pid = target->pid;
    if (target->root) {
        forget(target->root);
    }
    std::erase_if(windows_,
                  [windowId](const LiveWindow& window) { return window.windowId == windowId; });
    if (auto* owner = app(pid)) {
        repairFocus(*owner);
    }
}

void World::moveWindow(std::uint32_t windowId, double dx, double dy) {
    auto* target = window(windowId);
    if (!target) {
        return;
    }
    target->frame.origin.x += dx;
    target->frame.origin.y += dy;
    if (target->root) {
        moveTree(target->root, dx, dy);
    }
}

void World::setOnScreen(std::uint32_t windowId, bool onScreen) {
    if (auto* target = window(windowId)) {
        target->onScreen = onScreen;
    }
}

void World::focus(std::uint64_t node) {
    const auto* target = element(node);
    if (!target) {
        return;
    }
    if (auto* owner = app(target->pid)) {
        owner->focusedElement = node;
        if (const auto root = rootOf(*target)) {
            owner->focusedWindow = root;
        }
    }
}

void World::raiseWindow(std::uint32_t windowId) {
    auto found =
        std::find_if(windows_.begin(), windows_.end(),
                     [windowId](const LiveWindow& window) { return window.windowId == windowId; });
    if (found == windows_.end()) {
        return;
    }
    if (auto* owner = app(found->pid); owner && found->root) {
        owner->focusedWindow = found->root;
    }
    moveToFrontOfLayer(static_cast<std::size_t>(found - windows_.begin()));
}

void World::bringForward(std::int32_t pid) {
    auto* target = app(pid);
    if (!target) {
        return;
    }
    frontmost = pid;
    target->hidden = false;
    std::vector<std::uint32_t> own;
    for (const auto& window : windows_) {
        if (window.pid == pid) {
            own.push_back(window.windowId);
        }
    }
    for (auto id = own.rbegin(); id != own.rend(); ++id) {
        auto found = std::find_if(windows_.begin(), windows_.end(),
                                  [&](const LiveWindow& window) { return window.windowId == *id; });
        moveToFrontOfLayer(static_cast<std::size_t>(found - windows_.begin()));
    }
}

void World::quit(std::int32_t pid) {
    std::vector<std::uint32_t> own;
    for (const auto& window : windows_) {
        if (window.pid == pid) {
            own.push_back(window.windowId);
        }
    }
    for (auto windowId : own) {
        closeWindow(windowId);
    }
    std::erase_if(apps_, [pid](const LiveApp& app) { return app.pid == pid; });
    if (frontmost == pid) {
        frontmost = 0;
    }
}

void World::setAttribute(std::uint64_t node, const std::string& attribute, const Json& value) {
    auto* target = element(node);
    if (!target) {
        return;
    }
    auto& model = target->model;
    const auto dropRaw = [&] {
        model.attributes.erase(attribute);
    };
    if (attribute == "frame") {
        model.frame = rectFrom(value);
    } else if (isNamedText(attribute) && (value.is_string() || value.is_null())) {
        namedText(model, attribute) =
            value.is_null() ? std::nullopt : std::optional<std::string>(value.get<std::string>());
        dropRaw();
    } else if (attribute == "AXValue" &&
               (value.is_string() || value.is_number() || value.is_null())) {
        model.value = value.is_null() ? std::nullopt : std::optional<Json>(value);
        dropRaw();
    } else if (attribute == "AXEnabled" && value.is_boolean()) {
        model.enabled = value.get<bool>();
        dropRaw();
    } else if (attribute == "AXFocused" && value.is_boolean()) {
        model.focused.reset();
        dropRaw();
        if (value.get<bool>()) {
            focus(node);
        } else if (auto* owner = app(target->pid); owner && owner->focusedElement == node) {
            owner->focusedElement = 0;
        }
    } else {
        model.attributes[attribute] = value;
    }
}

void World::storeValue(std::uint64_t node, std::string text) {
    if (auto* target = element(node)) {
        target->model.value = Json(std::move(text));
        target->model.attributes.erase("AXValue");
    }
}

std::uint64_t World::buildTree(const ElementModel& model, std::int32_t pid, std::uint32_t windowId,
                               std::uint64_t parent) {
    const auto node = nextNode_++;
    LiveElement live{node, pid, windowId, parent, {}, model};
    live.model.children.clear();
    elements_.emplace(node, std::move(live));
    ids_[model.id] = node;
    for (const auto& child : model.children) {
        const auto childNode = buildTree(child, pid, windowId, node);
        elements_.at(node).children.push_back(childNode);
    }
    return node;
}

bool World::anyIdInUse(const ElementModel& model) const {
    return ids_.contains(model.id) ||
           std::any_of(model.children.begin(), model.children.end(),
                       [this](const ElementModel& child) { return anyIdInUse(child); });
}

void World::forget(std::uint64_t node) {
    auto found = elements_.find(node);
    if (found == elements_.end()) {
        return;
    }
    const auto children = found->second.children;
    ids_.erase(found->second.model.id);
    elements_.erase(found);
    for (auto child : children) {
        forget(child);
    }
}

void World::repairFocus(LiveApp& app) {
    if (!element(app.focusedElement)) {
        app.focusedElement = 0;
    }
    if (!element(app.focusedWindow)) {
        const auto remaining = axWindowsOf(app);
        app.focusedWindow = remaining.empty() ? 0 : remaining.front();
    }
}

void World::moveToFrontOfLayer(std::size_t index) {
    auto moving = std::move(windows_[index]);
    windows_.erase(windows_.begin() + static_cast<std::ptrdiff_t>(index));
    auto place = std::find_if(windows_.begin(), windows_.end(), [&](const LiveWindow& window) {
        return window.layer <= moving.layer;
    });
    windows_.insert(place, std::move(moving));
}

void World::moveTree(std::uint64_t node, double dx, double dy) {
    auto* target = element(node);
    if (!target) {
        return;
    }
    if (target->model.frame) {
        target->model.frame->origin.x += dx;
        target->model.frame->origin.y += dy;
    }
    for (auto child : target->children) {
        moveTree(child, dx, dy);
    }
}

} // namespace orvel::sim
