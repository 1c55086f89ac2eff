// A synthetic or observed input event of the event system, as a value.
//
// Events are created by `EventSystem` (creation can fail), adjusted with the setters below
// (the CGEventSet... counterparts) and posted. Events the program creates from its source
// carry the source's user data in integer field 42, which is how the takeover listener tells
// them from the user's.
#pragma once

#include "OrvelControlCore/Geometry.hpp"

#include <cstdint>
#include <map>
#include <string>

namespace orvel::platform {

namespace eventtype {
inline constexpr std::uint32_t leftMouseDown = 1;
inline constexpr std::uint32_t leftMouseUp = 2;
inline constexpr std::uint32_t rightMouseDown = 3;
inline constexpr std::uint32_t rightMouseUp = 4;
inline constexpr std::uint32_t mouseMoved = 5;
inline constexpr std::uint32_t leftMouseDragged = 6;
inline constexpr std::uint32_t rightMouseDragged = 7;
inline constexpr std::uint32_t keyDown = 10;
inline constexpr std::uint32_t keyUp = 11;
inline constexpr std::uint32_t flagsChanged = 12;
inline constexpr std::uint32_t scrollWheel = 22;
inline constexpr std::uint32_t otherMouseDown = 25;
inline constexpr std::uint32_t otherMouseUp = 26;
inline constexpr std::uint32_t otherMouseDragged = 27;
inline constexpr std::uint32_t tapDisabledByTimeout = 0xFFFFFFFE;
inline constexpr std::uint32_t tapDisabledByUserInput = 0xFFFFFFFF;
} // namespace eventtype

namespace eventfield {
inline constexpr std::uint32_t mouseEventClickState = 1;
inline constexpr std::uint32_t eventSourceUserData = 42;
} // namespace eventfield

struct Event {
    std::uint32_t type = 0;
    Point location;
    std::uint32_t mouseButton = 0;
    std::uint16_t keyCode = 0;
    std::uint64_t flags = 0;
    std::u16string unicodeString;
    std::int32_t wheel1 = 0;
    std::int32_t wheel2 = 0;
    std::int32_t wheel3 = 0;
    std::map<std::uint32_t, std::int64_t> integerFields;

    // CGEventSetIntegerValueField / CGEventGetIntegerValueField (absent fields read 0).
    void setIntegerValueField(std::uint32_t field, std::int64_t value) {
        integerFields[field] = value;
    }
    std::int64_t integerValueField(std::uint32_t field) const {
        auto found = integerFields.find(field);
        return found == integerFields.end() ? 0 : found->second;
    }
    // CGEventSetFlags.
    void setFlags(std::uint64_t newFlags) { flags = newFlags; }
    // CGEventKeyboardSetUnicodeString.
    void keyboardSetUnicodeString(std::u16string text) { unicodeString = std::move(text); }
};

} // namespace orvel::platform
