#include "platform/sim/InputReactions.hpp"

#include "OrvelControlCore/Text.hpp"
#include "platform/sim/EventKinds.hpp"
#include "platform/sim/HitTesting.hpp"
#include "platform/sim/Utf16.hpp"

namespace orvel::sim {

namespace {

namespace type = platform::eventtype;

constexpr std::uint16_t deleteKeyCode = 51;

const LiveElement* elementUnder(const World& world, Point point) {
    const auto* window = windowAt(world, point);
    return window ? deepestElementAt(world, *window, point) : nullptr;
}

// The element itself or its nearest ancestor that `accepts`, when it is enabled.
template <class Accepts>
const LiveElement* nearestAccepting(const World& world, const LiveElement* start, Accepts accepts) {
    if (!start) {
        return nullptr;
    }
    for (const auto* element : world.ancestry(*start)) {
        if (accepts(*element)) {
            return element->model.enabled ? element : nullptr;
        }
    }
    return nullptr;
}

const LiveElement* pressTargetUnder(const World& world, Point point) {
    return nearestAccepting(world, elementUnder(world, point), [](const LiveElement& element) {
        return element.model.on.contains("AXPress");
    });
}

void pressDown(DesktopState& state, const platform::Event& event) {
    auto& world = state.world;
    const auto* window = windowAt(world, event.location);
    if (!window) {
        state.pressedNode = 0;
        return;
    }
    const auto windowId = window->windowId;
    if (window->pid != world.frontmost && world.app(window->pid)) {
        world.bringForward(window->pid);
    }
    world.raiseWindow(windowId);
    if (event.type != type::leftMouseDown) {
        return;
    }
    const auto* focusable = nearestAccepting(
        world, elementUnder(world, event.location),
        [](const LiveElement& element) { return element.model.settable.contains("AXFocused"); });
    if (focusable) {
        world.focus(focusable->node);
    }
    const auto* target = pressTargetUnder(world, event.location);
    state.pressedNode = target ? target->node : 0;
}

std::vector<Action> release(DesktopState& state, const platform::Event& event) {
    const auto pressed = state.pressedNode;
    state.pressedNode = 0;
    if (event.type != type::leftMouseUp || !pressed) {
        return {};
    }
    const auto* target = pressTargetUnder(state.world, event.location);
    if (!target || target->node != pressed) {
        return {};
    }
    return target->model.on.at("AXPress");
}

const LiveElement* typingTarget(const World& world) {
    const auto* front = world.app(world.frontmost);
    const auto* focused = front ? world.element(front->focusedElement) : nullptr;
    return focused && focused->model.settable.contains("AXValue") ? focused : nullptr;
}

std::string currentText(const LiveElement& element) {
    const auto& value = element.model.value;
    if (!value) {
        return {};
    }
    return value->is_string() ? value->get<std::string>() : value->dump();
}

void typeKey(World& world, const platform::Event& event) {
    const auto* target = typingTarget(world);
    if (!target) {
        return;
    }
    auto text = currentText(*target);
    if (event.keyCode == deleteKeyCode) {
        auto characters = text::characters(text);
        if (characters.empty()) {
            return;
        }
        text.resize(text.size() - characters.back().size());
    } else if (!event.unicodeString.empty()) {
        text += utf8FromUtf16(event.unicodeString);
    } else {
        return;
    }
    world.storeValue(target->node, std::move(text));
}

} // namespace

std::vector<Action> reactToInput(DesktopState& state, const platform::Event& event) {
    if (movesPointer(event.type)) {
        state.world.pointer = event.location;
    }
    if (isMouseButtonDown(event.type)) {
        pressDown(state, event);
    } else if (isMouseButtonUp(event.type)) {
        return release(state, event);
    } else if (event.type == type::keyDown) {
        typeKey(state.world, event);
    }
    return {};
}

} // namespace orvel::sim
