// The Failure an action throws, or nothing when it returns normally: lets a test compare a
// refusal as a whole value, and have it printed readably when the comparison fails.
#pragma once

#include "OrvelControlCore/Failure.hpp"

#include <functional>
#include <optional>
#include <ostream>

namespace orvel {

inline void PrintTo(const Failure& failure, std::ostream* out) {
    *out << failure.code << ": " << failure.message << " " << failure.details.dump();
}

} // namespace orvel

namespace orvel::testing {

inline std::optional<Failure> failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Failure& failure) {
        return failure;
    }
    return std::nullopt;
}

} // namespace orvel::testing
