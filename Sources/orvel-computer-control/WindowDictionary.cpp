#include "WindowDictionary.hpp"

#include "OrvelControlCore/Geometry.hpp"
#include "OrvelControlCore/Text.hpp"

#include <cmath>
#include <cstdint>
#include <limits>

namespace orvel {

namespace {

// A number taken for a field only when its value is exactly representable in the field's
// type; booleans are not numbers, so a hostile `true` never becomes pid 1.
template <class T> std::optional<T> exactInteger(const Json* value) {
    if (value == nullptr || !value->is_number() || value->is_boolean()) {
        return std::nullopt;
    }
    constexpr auto low = std::numeric_limits<T>::min();
    constexpr auto high = std::numeric_limits<T>::max();
    if (value->is_number_unsigned()) {
        auto number = value->get<std::uint64_t>();
        return number <= static_cast<std::uint64_t>(high) ? std::optional<T>(static_cast<T>(number))
                                                          : std::nullopt;
    }
    if (value->is_number_integer()) {
        auto number = value->get<std::int64_t>();
        if (number < static_cast<std::int64_t>(low) ||
            (number > 0 && static_cast<std::uint64_t>(number) > high)) {
            return std::nullopt;
        }
        return static_cast<T>(number);
    }
    double number = value->get<double>();
    // The bounds are compared as doubles that are exact: -2^63 and 2^63 for 64-bit types.
    if (!std::isfinite(number) || std::trunc(number) != number ||
        number < static_cast<double>(low) ||
        number >= std::ldexp(static_cast<double>(high / 2 + 1), 1)) {
        return std::nullopt;
    }
    return static_cast<T>(number);
}

std::optional<double> finiteNumber(const Json* value) {
    if (value == nullptr || !value->is_number() || value->is_boolean()) {
        return std::nullopt;
    }
    double number = value->get<double>();
    return std::isfinite(number) ? std::optional<double>(number) : std::nullopt;
}

// A boolean, or a number object holding exactly 0 or 1, as the platform's number objects
// bridge to booleans; anything else is no value.
std::optional<bool> booleanValue(const Json* value) {
    if (value == nullptr) {
        return std::nullopt;
    }
    if (value->is_boolean()) {
        return value->get<bool>();
    }
    auto number = finiteNumber(value);
    if (number && (*number == 0 || *number == 1)) {
        return *number == 1;
    }
    return std::nullopt;
}

const Json* member(const Json& dictionary, const char* key) {
    auto found = dictionary.find(key);
    return found == dictionary.end() ? nullptr : &*found;
}

// CGRect(dictionaryRepresentation:): the four numbers X, Y, Width and Height.
std::optional<Rect> bounds(const Json* value) {
    if (value == nullptr || !value->is_object()) {
        return std::nullopt;
    }
    auto x = finiteNumber(member(*value, "X"));
    auto y = finiteNumber(member(*value, "Y"));
    auto width = finiteNumber(member(*value, "Width"));
    auto height = finiteNumber(member(*value, "Height"));
    if (!x || !y || !width || !height) {
        return std::nullopt;
    }
    return Rect{{*x, *y}, {*width, *height}};
}

} // namespace

std::optional<WindowTarget> parseWindowDictionary(const Json& dictionary) {
    if (!dictionary.is_object()) {
        return std::nullopt;
    }
    auto pid = exactInteger<std::int32_t>(member(dictionary, "kCGWindowOwnerPID"));
    auto number = exactInteger<std::uint32_t>(member(dictionary, "kCGWindowNumber"));
    auto frame = bounds(member(dictionary, "kCGWindowBounds"));
    if (!pid || !number || !frame) {
        return std::nullopt;
    }
    WindowTarget window;
    window.windowId = *number;
    window.pid = *pid;
    window.frame = *frame;
    const Json* name = member(dictionary, "kCGWindowName");
    window.title =
        name != nullptr && name->is_string() ? text::validUtf8(name->get<std::string>()) : "";
    window.layer = exactInteger<std::int64_t>(member(dictionary, "kCGWindowLayer")).value_or(0);
    window.onScreen = booleanValue(member(dictionary, "kCGWindowIsOnscreen")).value_or(false);
    return window;
}

} // namespace orvel
