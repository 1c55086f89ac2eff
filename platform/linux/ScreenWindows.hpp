// The windows of the screen as the accessibility service needs them to answer for a point or
// to raise a window: which window is front-most at a point, which windows a process shows,
// and raising one through the desktop. The X11 desktop provides it; the accessibility service
// knows nothing of the X server beyond this.
//
// Safe to call from any thread; every call asks the desktop again.
#pragma once

#include "OrvelControlCore/Geometry.hpp"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvel::linuxdesktop {

struct ScreenWindow {
    std::uint32_t windowId = 0;
    // 0 when the desktop cannot tell whose window it is.
    std::int32_t pid = 0;
    // Global screen points, the window manager's frame included.
    Rect frame;
    std::string title;
};

class ScreenWindows {
  public:
    virtual ~ScreenWindows() = default;

    // The front-most window on screen that contains the point, pop-ups (menus) included;
    // absent when none does.
    virtual std::optional<ScreenWindow> topmostAt(Point point) = 0;

    // The process's windows on screen, front to back, pop-ups included.
    virtual std::vector<ScreenWindow> windowsOf(std::int32_t pid) = 0;

    // Asks the desktop to raise and activate the window and waits at most `bound` for it to
    // take; true once it has.
    virtual bool raise(std::uint32_t windowId, std::chrono::milliseconds bound) = 0;
};

} // namespace orvel::linuxdesktop
