// The windows on screen in the order the X server stacks them, front to back: the application
// windows (managed clients, in their frames' places) together with the override-redirect
// windows that applications map above everything else themselves, such as GTK's menus, combo
// lists and tooltips. The window manager's stacking list names managed clients only, so the
// order is read from the root window's children, which hold both.
//
// Override-redirect windows that lie wholly off the screen are toolkits' hidden helpers, not
// anything a person sees, and are left out. Every call asks the server again. Safe on a shared
// connection, from any thread.
#pragma once

#include "platform/linux/x11/WindowFacts.hpp"
#include "platform/linux/x11/X11Connection.hpp"

#include <vector>

namespace orvel::linuxdesktop {

// The viewable windows, front to back; a pop-up without a window type of its own counts as a
// menu, so that it floats above ordinary windows.
std::vector<WindowFacts> windowsOnScreen(const X11Connection& x);

} // namespace orvel::linuxdesktop
