// One application window as the X server and the window manager describe it, and the window
// dictionary the program's window list is made of. The dictionary and the layer are pure
// functions of the facts, so that their rules are tested without a server.
#pragma once

#include "OrvelControlCore/Geometry.hpp"
#include "OrvelControlCore/Json.hpp"

#include <cstdint>
#include <string>

namespace orvel::linuxdesktop {

// The window's EWMH type, reduced to what decides its layer.
enum class WindowKind { normal, utility, desktop, dock, menu, tooltip, notification, dnd };

struct WindowFacts {
    // The application's own window: the window number the program knows it by.
    std::uint32_t windowId = 0;
    // The child of the root window that holds it: the window manager's frame, or the window
    // itself without a window manager.
    unsigned long topLevel = 0;
    // The owning process; 0 when neither the server nor the window says.
    std::int32_t pid = 0;
    // Global screen points, the window manager's decorations included.
    Rect frame;
    std::string title;
    WindowKind kind = WindowKind::normal;
    bool above = false;
    bool below = false;
    // Minimised (the window manager keeps it, unmapped).
    bool hidden = false;
    // Mapped, with every ancestor mapped: it is on screen.
    bool viewable = false;
};

// The window-server layer: 0 for ordinary application windows, higher for what floats above
// them (utility palettes and "above" windows, docks, notifications, menus and tooltips),
// below 0 for the desktop and "below" windows.
int windowLayer(const WindowFacts& window);

// The window dictionary: "kCGWindowOwnerPID" (left out when the pid is unknown, so the window is
// skipped as ownerless), "kCGWindowNumber", "kCGWindowBounds" {"X", "Y", "Width", "Height"},
// "kCGWindowName", "kCGWindowLayer", and "kCGWindowIsOnscreen" true for windows on screen only.
Json windowDictionary(const WindowFacts& window);

} // namespace orvel::linuxdesktop
