// One window of the window server as the program sees it.
#pragma once

#include "OrvelControlCore/Geometry.hpp"

#include <cstdint>
#include <string>

namespace orvel {

struct WindowTarget {
    std::uint32_t windowId = 0;
    std::int32_t pid = 0;
    std::string title; // "" when the window server gives none
    Rect frame;        // global screen points
    std::int64_t layer = 0;
    bool onScreen = false;

    // Layer 0 and at least 60 by 60 points: an ordinary window worth offering.
    bool isEligible() const {
        return layer == 0 && frame.size.width >= 60 && frame.size.height >= 60;
    }

    bool operator==(const WindowTarget&) const = default;
};

} // namespace orvel
