// "AXRaise" on the Linux desktop: an application's top-level accessible window (frame, dialog
// or plain window) is raised by asking the desktop to activate the X window that is the same
// window (WindowMatching against the process's windows on screen), as a pager would; the call
// waits a short, bounded time for the desktop to have done it.
//
// Threading: used by the thread that holds the connection; the screen's windows are safe from
// any thread.
#pragma once

#include "platform/linux/ScreenWindows.hpp"
#include "platform/linux/atspi/BusConnection.hpp"
#include "platform/linux/atspi/ObjectRef.hpp"

#include <cstdint>

namespace orvel::linuxdesktop {

// Whether the object is a window that "AXRaise" applies to: a direct child of its application
// in one of the window roles. Answers the bus's status when the object does not answer.
std::int32_t raisableWindow(BusConnection& bus, const ObjectRef& object, Microseconds timeout,
                            bool& raisable);

// Raises the window of process `pid`; success once the desktop made it the active window,
// cannotComplete when no window on screen is recognisably it or the desktop did not do it in
// time, actionUnsupported when the object is not a window.
std::int32_t raiseWindow(BusConnection& bus, const ObjectRef& object, std::int32_t pid,
                         ScreenWindows& screen, Microseconds timeout);

} // namespace orvel::linuxdesktop
