// One element of an observation: what was read of it, and the live reference through which
// actions read it again.
#pragma once

#include "OrvelControlCore/ElementSnapshot.hpp"
#include "OrvelControlCore/Geometry.hpp"
#include "platform/ElementHandle.hpp"

#include <optional>
#include <string>
#include <vector>

namespace orvel {

struct ObservedNode {
    std::string id; // "e1" for the window, then traversal order
    platform::ElementHandle element;
    std::string role;
    std::string subrole;
    std::string label;                // shortened to the text limit
    std::optional<std::string> value; // shortened; never read for secure elements
    bool secure = false;
    bool enabled = true;
    bool focused = false;
    std::optional<Rect> frame; // global screen points
    std::vector<std::string> actions;
    std::vector<std::string> settable; // "AXValue", then "AXFocused"
    int depth = 0;
    std::optional<std::string> parent;

    // What the observation recorded, for comparison with the live element.
    ElementSnapshot observedSnapshot() const {
        return ElementSnapshot{role, subrole, frame, enabled, secure};
    }
};

} // namespace orvel
