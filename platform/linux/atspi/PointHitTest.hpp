// The accessible element at a point of the screen: the X server says which window is in front
// there, its application's accessible window of that frame is found (WindowMatching), and from
// that window `GetAccessibleAtPoint` in screen coordinates is asked again and again, since each
// answer is only the direct child at the point, until an object has no child there.
//
// Threading: used by the thread that holds the connection.
#pragma once

#include "platform/linux/ScreenWindows.hpp"
#include "platform/linux/atspi/BusConnection.hpp"
#include "platform/linux/atspi/ObjectRef.hpp"
#include "platform/linux/atspi/ReplyReaders.hpp"

#include <string>

namespace orvel::linuxdesktop {

// The deepest object at `point` in the accessible window of `application` that is `window`
// on screen; cannotComplete when no accessible window is recognisably that one.
Answer<ObjectRef> elementAtPoint(BusConnection& bus, const std::string& application,
                                 const ScreenWindow& window, Point point, Microseconds timeout);

// The deepest object at `point` below `start` (`start` itself when it has no child there).
Answer<ObjectRef> deepestAtPoint(BusConnection& bus, const ObjectRef& start, Point point,
                                 Microseconds timeout);

} // namespace orvel::linuxdesktop
