// The X server's application windows, front to back, as `WindowFacts`: with a window manager
// its managed clients (_NET_CLIENT_LIST_STACKING reversed), without one the root's mapped
// children (XQueryTree reversed). Override-redirect helpers (menus, tooltips, the screen
// saver) and input-only windows are never application windows.
//
// Every call asks the server again. Safe on a shared connection, from any thread.
#pragma once

#include "platform/linux/x11/WindowFacts.hpp"
#include "platform/linux/x11/X11Connection.hpp"

#include <optional>
#include <vector>

namespace orvel::linuxdesktop {

// True when a window manager announces itself (_NET_SUPPORTING_WM_CHECK, confirmed on its
// own window).
bool hasWindowManager(const X11Connection& x);

// The application windows, front to back; `viewableOnly` leaves out minimised and unmapped
// ones. A window that vanishes while it is read is left out.
std::vector<WindowFacts> applicationWindows(const X11Connection& x, bool viewableOnly);

// The facts of one application window; absent when it is gone.
std::optional<WindowFacts> windowFacts(const X11Connection& x, Window client, bool managed);

// The active application window: _NET_ACTIVE_WINDOW, or without a window manager the
// top-level window holding the input focus. Absent when none is.
std::optional<Window> activeWindow(const X11Connection& x);

// The child of the root window that holds `window` (the window itself when it is one).
std::optional<Window> topLevelOf(const X11Connection& x, Window window);

// The process behind a window: the server's own record of the connection that created it
// (XRes), else the window's _NET_WM_PID when it was set on this machine; 0 when unknown.
std::int32_t windowPid(const X11Connection& x, Window window);

} // namespace orvel::linuxdesktop
