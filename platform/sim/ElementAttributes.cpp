#include "platform/sim/ElementAttributes.hpp"

#include "platform/AccessibilityService.hpp"

namespace orvel::sim {

namespace {

namespace ax = platform::ax;

AttributeAnswer found(Json value) {
    return {ax::success, std::move(value)};
}

AttributeAnswer missing() {
    return {ax::attributeUnsupported, nullptr};
}

AttributeAnswer optionalText(const std::optional<std::string>& text) {
    return text ? found(*text) : missing();
}

Json elementList(const World& world, const std::vector<std::uint64_t>& nodes) {
    Json list = Json::array();
    for (auto node : nodes) {
        if (const auto* element = world.element(node)) {
            list.push_back(elementValue(element->model.id));
        }
    }
    return list;
}

AttributeAnswer focusedElementOf(const World& world, const LiveApp& app) {
    const auto* element = world.element(app.focusedElement);
    return element ? found(elementValue(element->model.id)) : AttributeAnswer{axNoValue, nullptr};
}

AttributeAnswer namedAttribute(const World& world, const LiveElement& element,
                               const std::string& attribute) {
    const auto& model = element.model;
    if (attribute == "AXRole") {
        return optionalText(model.role);
    }
    if (attribute == "AXSubrole") {
        return optionalText(model.subrole);
    }
    if (attribute == "AXTitle") {
        return optionalText(model.title);
    }
    if (attribute == "AXDescription") {
        return optionalText(model.description);
    }
    if (attribute == "AXLabel") {
        return optionalText(model.label);
    }
    if (attribute == "AXValue") {
        return model.value ? found(*model.value) : missing();
    }
    if (attribute == "AXEnabled") {
        return found(model.enabled);
    }
    if (attribute == "AXFocused") {
        return found(world.isFocused(element));
    }
    if (attribute == "AXPosition") {
        return model.frame ? found(pointValue(model.frame->origin)) : missing();
    }
    if (attribute == "AXSize") {
        return model.frame ? found(sizeValue(model.frame->size)) : missing();
    }
    if (attribute == "AXChildren") {
        return found(elementList(world, element.children));
    }
    if (attribute == "AXParent") {
        const auto* parent = world.element(element.parent);
        return parent ? found(elementValue(parent->model.id))
                      : found(applicationValue(element.pid));
    }
    if (attribute == "AXWindow") {
        const auto* root = world.element(world.rootOf(element));
        return root ? found(elementValue(root->model.id)) : missing();
    }
    return missing();
}

AttributeAnswer elementAttribute(const World& world, const LiveElement& element,
                                 const std::string& attribute, ScriptedErrors errors) {
    if (auto error = element.model.errors.find(attribute);
        errors == ScriptedErrors::answered && error != element.model.errors.end()) {
        return {error->second, nullptr};
    }
    if (auto raw = element.model.attributes.find(attribute);
        raw != element.model.attributes.end()) {
        return raw->second.is_null() ? missing() : found(raw->second);
    }
    return namedAttribute(world, element, attribute);
}

AttributeAnswer applicationAttribute(const World& world, const LiveApp& app,
                                     const std::string& attribute) {
    if (attribute == "AXRole") {
        return found("AXApplication");
    }
    if (attribute == "AXTitle") {
        return optionalText(app.name);
    }
    if (attribute == "AXWindows" || attribute == "AXChildren") {
        return found(elementList(world, world.axWindowsOf(app)));
    }
    if (attribute == "AXFocusedWindow") {
        const auto* window = world.element(app.focusedWindow);
        return window ? found(elementValue(window->model.id)) : AttributeAnswer{axNoValue, nullptr};
    }
    if (attribute == "AXFocusedUIElement") {
        return focusedElementOf(world, app);
    }
    if (attribute == "AXFrontmost") {
        return found(world.frontmost == app.pid);
    }
    if (attribute == "AXHidden") {
        return found(app.hidden);
    }
    return missing();
}

AttributeAnswer systemWideAttribute(const World& world, const std::string& attribute) {
    if (attribute == "AXRole") {
        return found("AXSystemWide");
    }
    const auto* front = world.app(world.frontmost);
    if (attribute == "AXFocusedApplication") {
        return front ? found(applicationValue(front->pid)) : AttributeAnswer{axNoValue, nullptr};
    }
    if (attribute == "AXFocusedUIElement") {
        return front ? focusedElementOf(world, *front) : AttributeAnswer{axNoValue, nullptr};
    }
    return missing();
}

} // namespace

AttributeAnswer readAttribute(const World& world, const ElementTarget& target,
                              const std::string& attribute, ScriptedErrors errors) {
    switch (target.kind) {
    case ElementTarget::Kind::systemWide:
        return systemWideAttribute(world, attribute);
    case ElementTarget::Kind::application: {
        const auto* app = world.app(target.pid);
        return app ? applicationAttribute(world, *app, attribute)
                   : AttributeAnswer{ax::invalidElement, nullptr};
    }
    case ElementTarget::Kind::element: {
        const auto* element = world.element(target.node);
        return element ? elementAttribute(world, *element, attribute, errors)
                       : AttributeAnswer{ax::invalidElement, nullptr};
    }
    }
    return missing();
}

Json pointValue(Point point) {
    return Json{{"x", point.x}, {"y", point.y}};
}

Json sizeValue(Size size) {
    return Json{{"width", size.width}, {"height", size.height}};
}

Json elementValue(const std::string& id) {
    return Json{{"element", id}};
}

Json applicationValue(std::int32_t pid) {
    return Json{{"application", pid}};
}

} // namespace orvel::sim
