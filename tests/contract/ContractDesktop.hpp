// The contract suites' view of a desktop: the platform services under test, two known windows
// of two applications, and the few levers a test needs to move the desktop the way a person or
// the system would. Every desktop the program runs on implements it (the simulated desktop
// with a scenario mirroring the GTK test application; the Linux desktop under the private
// desktop session with that application itself), and every contract suite runs on each.
//
// A desktop is built once per test binary and shared by the suites; `reset` brings it back to
// the state every test starts from. Only the test thread calls these; the desktop's main loop
// runs on a thread of the desktop's own.
#pragma once

#include "OrvelControlCore/Geometry.hpp"
#include "platform/Platform.hpp"

#include <cstdint>
#include <string>

namespace orvel::contract {

struct Colour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

// One window the desktop shows, and what the desktop must report about it.
struct KnownWindow {
    std::int32_t pid = 0;
    std::uint32_t windowId = 0;
    std::string title;
    // The application's identifier and name as the workspace must report them.
    std::string identifier;
    std::string name;
    // When the application started (seconds since 1970), to within a second or two.
    double launchedAt = 0;
    // The window's frame in global screen points, decorations included.
    Rect frame;
    // An area of the window (global screen points) that shows nothing but `patchColour`.
    Rect patch;
    Colour patchColour;
};

class ContractDesktop {
  public:
    virtual ~ContractDesktop() = default;

    virtual platform::Platform& platform() = 0;

    // Two ordinary windows of two applications; after `reset` both are on screen and `second`
    // is in front, covering `first`'s patch.
    virtual const KnownWindow& first() const = 0;
    virtual const KnownWindow& second() const = 0;

    // Takes a window off screen (minimised) or puts it back.
    virtual void setMinimised(const KnownWindow& window, bool minimised) = 0;

    // Locks or unlocks the screen through the desktop's own lock source, which also sends the
    // lock or unlock notification.
    virtual void setLocked(bool locked) = 0;

    // Takes every source of the lock state away, or brings them back.
    virtual void setLockSourcesAbsent(bool absent) = 0;

    // Unlocked with its lock sources present, both windows on screen, `second` in front.
    virtual void reset() = 0;
};

} // namespace orvel::contract
