// The facts of one element that an action compares between the observation and the live
// element: role, subrole, frame, enabled state and whether it is a password field. Roles are
// compared under canonical equivalence.
#pragma once

#include "OrvelControlCore/Geometry.hpp"
#include "OrvelControlCore/Text.hpp"

#include <optional>
#include <string>

namespace orvel {

struct ElementSnapshot {
    std::string role;
    std::string subrole;       // "" when none
    std::optional<Rect> frame; // absent unless position and size are both readable
    bool enabled = true;
    bool secure = false; // role or subrole is "AXSecureTextField"

    bool operator==(const ElementSnapshot& other) const {
        return sameRoles(other) && frame == other.frame && enabled == other.enabled &&
               secure == other.secure;
    }
    bool sameRoles(const ElementSnapshot& other) const {
        return text::canonicallyEqual(role, other.role) &&
               text::canonicallyEqual(subrole, other.subrole);
    }

    static bool isSecure(const std::string& role, const std::string& subrole) {
        return text::canonicallyEqual(role, "AXSecureTextField") ||
               text::canonicallyEqual(subrole, "AXSecureTextField");
    }
};

} // namespace orvel
