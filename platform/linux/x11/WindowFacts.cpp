#include "platform/linux/x11/WindowFacts.hpp"

#include <cmath>

namespace orvel::linuxdesktop {

namespace {

// The window server's levels for the kinds of window that stand apart from ordinary ones.
constexpr int desktopLayer = -2147483623;
constexpr int belowLayer = -1;
constexpr int floatingLayer = 3;
constexpr int dockLayer = 20;
constexpr int statusLayer = 25;
constexpr int popUpMenuLayer = 101;
constexpr int overlayLayer = 102;

// X geometry is whole pixels; the dictionary gives it as integers, as the server does.
std::int64_t whole(double value) {
    return static_cast<std::int64_t>(std::llround(value));
}

} // namespace

int windowLayer(const WindowFacts& window) {
    switch (window.kind) {
    case WindowKind::desktop:
        return desktopLayer;
    case WindowKind::dock:
        return dockLayer;
    case WindowKind::notification:
        return statusLayer;
    case WindowKind::menu:
        return popUpMenuLayer;
    case WindowKind::tooltip:
    case WindowKind::dnd:
        return overlayLayer;
    case WindowKind::utility:
        return floatingLayer;
    case WindowKind::normal:
        break;
    }
    if (window.above) {
        return floatingLayer;
    }
    return window.below ? belowLayer : 0;
}

Json windowDictionary(const WindowFacts& window) {
    Json dictionary{
        {"kCGWindowNumber", window.windowId},
        {"kCGWindowBounds",
         {{"X", whole(window.frame.origin.x)},
          {"Y", whole(window.frame.origin.y)},
          {"Width", whole(window.frame.size.width)},
          {"Height", whole(window.frame.size.height)}}},
        {"kCGWindowName", window.title},
        {"kCGWindowLayer", windowLayer(window)},
    };
    if (window.pid > 0) {
        dictionary["kCGWindowOwnerPID"] = window.pid;
    }
    if (window.viewable) {
        dictionary["kCGWindowIsOnscreen"] = true;
    }
    return dictionary;
}

} // namespace orvel::linuxdesktop
