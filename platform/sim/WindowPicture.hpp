// A still of one window as the simulated capture paints it: its frame and title and, for each
// element of its tree, the frame, the kind of control it looks like and its state. Taken under
// the desktop's lock, painted without it. Plain values.
#pragma once

#include "OrvelControlCore/Geometry.hpp"
#include "platform/sim/World.hpp"

#include <cstddef>
#include <vector>

namespace orvel::sim {

enum class ElementLook { textField, secureField, button, checkbox, text, list, row, group };

struct ElementPicture {
    Rect frame;
    ElementLook look = ElementLook::group;
    bool focused = false;
    bool checked = false;
    std::size_t textLength = 0;
};

struct WindowPicture {
    Rect frame;
    std::size_t titleLength = 0;
    std::vector<ElementPicture> elements; // parents before their children
};

WindowPicture pictureOf(const World& world, const LiveWindow& window);

} // namespace orvel::sim
