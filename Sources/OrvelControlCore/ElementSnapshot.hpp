// The facts of one element that an action compares between the observation and the live
// element: role, subrole, frame, enabled state and whether it is a password field.
#pragma once

#include "OrvelControlCore/Geometry.hpp"

#include <optional>
#include <string>

namespace orvel {

struct ElementSnapshot {
    std::string role;
    std::string subrole;       // "" when none
    std::optional<Rect> frame; // absent unless position and size are both readable
    bool enabled = true;
    bool secure = false; // role or subrole is "AXSecureTextField"

    bool operator==(const ElementSnapshot&) const = default;

    static bool isSecure(const std::string& role, const std::string& subrole) {
        return role == "AXSecureTextField" || subrole == "AXSecureTextField";
    }
};

} // namespace orvel
