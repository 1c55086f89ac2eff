// The displays of the X screen as RandR monitors (one per physical screen, or per logical
// monitor a desktop defines), in the server's order with the primary one first. Without
// RandR monitors the whole screen is one display. Displays are named by their monitor's
// name atom, which stays the same while the monitor exists.
//
// Every call asks the server again. Safe on a shared connection, from any thread.
#pragma once

#include "OrvelControlCore/Geometry.hpp"
#include "platform/linux/x11/X11Connection.hpp"

#include <cstdint>
#include <vector>

namespace orvel::linuxdesktop {

struct MonitorArea {
    std::uint32_t id = 0;
    // Global screen coordinates; X pixels are the program's points (scale 1).
    Rect frame;
};

std::vector<MonitorArea> monitors(const X11Connection& x);

} // namespace orvel::linuxdesktop
