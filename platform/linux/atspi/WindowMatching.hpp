// Telling which of a process's windows on the X server and which of its accessible windows
// are the same window. Neither side names the other: an accessible window carries no X
// window id. What both report alike is where the window is, its frame with the window
// manager's decorations (GTK gives its frame's extents exactly as the server's frame), and
// usually its title.
//
// The match is conservative: frames must agree to within a pixel or two on every edge, a
// title that agrees decides between several such windows, and when that still leaves more
// than one, nothing matches, so that a caller refuses rather than acts on the wrong window.
//
// Pure functions; safe from any thread.
#pragma once

#include "OrvelControlCore/Geometry.hpp"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace orvel::linuxdesktop {

struct WindowCandidate {
    Rect frame;
    std::string title;
};

// The index of the one candidate that is the window at `frame` titled `title`; none when no
// candidate, or more than one, fits.
std::optional<std::size_t> matchingWindow(const std::vector<WindowCandidate>& candidates,
                                          const Rect& frame, const std::string& title);

} // namespace orvel::linuxdesktop
