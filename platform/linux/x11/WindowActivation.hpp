// Bringing an application window to the front and giving it the keyboard, as the desktop
// expects another client to ask: with a window manager the _NET_ACTIVE_WINDOW request with
// source 2 (a pager's, which managers do not refuse as focus stealing); without one the window
// is raised and given the input focus directly.
//
// Safe on a shared connection, from any thread.
#pragma once

#include "platform/linux/x11/X11Connection.hpp"

#include <chrono>

namespace orvel::linuxdesktop {

// Asks for `window` (an application's own window, not its frame) to become the active one and
// flushes the request; whether it took is for `awaitActive` to tell.
void requestActivation(const X11Connection& x, Window window);

// Waits at most `bound` until `window` is the active window (see `activeWindow`); true once it
// is.
bool awaitActive(const X11Connection& x, Window window, std::chrono::milliseconds bound);

} // namespace orvel::linuxdesktop
