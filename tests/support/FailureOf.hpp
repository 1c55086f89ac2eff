// The Failure an action throws, or nothing when it returns normally: lets a test compare a
// refusal as a whole value.
#pragma once

#include "OrvelControlCore/Failure.hpp"

#include <functional>
#include <optional>

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
