#include "platform/sim/EventKinds.hpp"

#include "platform/Event.hpp"

#include <array>
#include <utility>

namespace orvel::sim {

namespace {

namespace type = platform::eventtype;

constexpr std::array<std::pair<std::string_view, std::uint32_t>, 14> kinds{{
    {"leftMouseDown", type::leftMouseDown},
    {"leftMouseUp", type::leftMouseUp},
    {"rightMouseDown", type::rightMouseDown},
    {"rightMouseUp", type::rightMouseUp},
    {"mouseMoved", type::mouseMoved},
    {"leftMouseDragged", type::leftMouseDragged},
    {"rightMouseDragged", type::rightMouseDragged},
    {"keyDown", type::keyDown},
    {"keyUp", type::keyUp},
    {"flagsChanged", type::flagsChanged},
    {"scrollWheel", type::scrollWheel},
    {"otherMouseDown", type::otherMouseDown},
    {"otherMouseUp", type::otherMouseUp},
    {"otherMouseDragged", type::otherMouseDragged},
}};

} // namespace

std::optional<std::uint32_t> eventTypeNamed(std::string_view name) {
    for (const auto& [kindName, kindType] : kinds) {
        if (kindName == name) {
            return kindType;
        }
    }
    return std::nullopt;
}

std::optional<std::string_view> eventKindName(std::uint32_t eventType) {
    for (const auto& [kindName, kindType] : kinds) {
        if (kindType == eventType) {
            return kindName;
        }
    }
    return std::nullopt;
}

bool isMouseButtonDown(std::uint32_t eventType) {
    return eventType == type::leftMouseDown || eventType == type::rightMouseDown ||
           eventType == type::otherMouseDown;
}

bool isMouseButtonUp(std::uint32_t eventType) {
    return eventType == type::leftMouseUp || eventType == type::rightMouseUp ||
           eventType == type::otherMouseUp;
}

bool isMouseDragged(std::uint32_t eventType) {
    return eventType == type::leftMouseDragged || eventType == type::rightMouseDragged ||
           eventType == type::otherMouseDragged;
}

bool movesPointer(std::uint32_t eventType) {
    return eventType == type::mouseMoved || isMouseButtonDown(eventType) ||
           isMouseButtonUp(eventType) || isMouseDragged(eventType);
}

bool isKeyboardEvent(std::uint32_t eventType) {
    return eventType == type::keyDown || eventType == type::keyUp ||
           eventType == type::flagsChanged;
}

std::uint32_t buttonOfMouseEvent(std::uint32_t eventType) {
    switch (eventType) {
    case type::rightMouseDown:
    case type::rightMouseUp:
    case type::rightMouseDragged:
        return 1;
    case type::otherMouseDown:
    case type::otherMouseUp:
    case type::otherMouseDragged:
        return 2;
    default:
        return 0;
    }
}

} // namespace orvel::sim
