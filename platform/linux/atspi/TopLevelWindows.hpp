// An application's accessible windows as they stand on screen: each top-level object that is
// showing, with its frame in screen coordinates and its name, read in one round trip. What the
// hit test and raising a window match against the X server's windows (WindowMatching).
//
// Threading: used by the thread that holds the connection.
#pragma once

#include "OrvelControlCore/Geometry.hpp"
#include "platform/linux/atspi/BusConnection.hpp"
#include "platform/linux/atspi/ObjectRef.hpp"
#include "platform/linux/atspi/ReplyReaders.hpp"
#include "platform/linux/atspi/WindowMatching.hpp"

#include <string>
#include <vector>

namespace orvel::linuxdesktop {

struct AccessibleWindow {
    ObjectRef ref;
    Rect frame;
    std::string title;
};

// The showing top-level windows of the application on bus connection `application`; a window
// that does not answer is left out, an application that does not answer keeps its status.
Answer<std::vector<AccessibleWindow>>
showingWindows(BusConnection& bus, const std::string& application, Microseconds timeout);

// The windows as candidates for `matchingWindow`, in the same order.
std::vector<WindowCandidate> candidatesOf(const std::vector<AccessibleWindow>& windows);

} // namespace orvel::linuxdesktop
