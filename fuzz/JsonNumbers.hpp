// Independent readings of JSON numbers for the dictionary targets' oracles: whether a value is
// a number object at all (booleans are not), and whether its value is exactly a whole number
// within a range, decided on the stored representation rather than through a double.
#pragma once

#include "OrvelControlCore/Json.hpp"

#include <cmath>
#include <cstdint>
#include <optional>

namespace orvel::fuzz {

inline bool isNumberObject(const Json* value) {
    return value != nullptr && value->is_number() && !value->is_boolean();
}

inline std::optional<double> finiteNumber(const Json* value) {
    if (!isNumberObject(value)) {
        return std::nullopt;
    }
    const double number = value->get<double>();
    return std::isfinite(number) ? std::optional(number) : std::nullopt;
}

// The value as a whole number when it is one and lies in [low, high]; both bounds must be
// exactly representable as doubles or be the ends of the 64-bit range.
inline std::optional<long double> wholeNumberIn(const Json* value, long double low,
                                                long double high) {
    if (!isNumberObject(value)) {
        return std::nullopt;
    }
    long double number = 0;
    if (value->is_number_unsigned()) {
        number = static_cast<long double>(value->get<std::uint64_t>());
    } else if (value->is_number_integer()) {
        number = static_cast<long double>(value->get<std::int64_t>());
    } else {
        const double stored = value->get<double>();
        if (!std::isfinite(stored) || std::trunc(stored) != stored) {
            return std::nullopt;
        }
        number = stored;
    }
    if (number < low || number > high) {
        return std::nullopt;
    }
    return number;
}

// A boolean, or a number object holding exactly 0 or 1; nothing else is a flag.
inline std::optional<bool> flagValue(const Json* value) {
    if (value != nullptr && value->is_boolean()) {
        return value->get<bool>();
    }
    const auto number = finiteNumber(value);
    if (number && (*number == 0 || *number == 1)) {
        return *number == 1;
    }
    return std::nullopt;
}

inline const Json* member(const Json& object, const char* key) {
    if (!object.is_object()) {
        return nullptr;
    }
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

} // namespace orvel::fuzz
