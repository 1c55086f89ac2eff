// The desktop a soak runs the program on, as a parameter: what the program's environment must
// say to reach it, which applications and windows requests may name, how the desktop is
// disturbed while the soak runs, and what input the program's events leave held on it.
//
// The simulated desktop brings its faults in its scenario (slow and hung applications,
// elements that vanish, windows that move, permissions revoked, the tap disabled, the screen
// locking, the user taking over) and reads held input from its event log. The X11 desktop is
// the private session the soak runs inside, with a real application that is stopped and
// continued at random and a person who moves the mouse now and then; it reads held input from the X
// server itself, on a connection of its own (the keys and pointer buttons down), which also sees
// what the program's own stopped events might not say.
//
// Used by the soak's writer thread only, apart from `heldInput`, which the caller serialises.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace orvel::soak {

struct WindowRef {
    std::int32_t pid;
    std::uint32_t windowId;
};

class SoakDesktop {
  public:
    virtual ~SoakDesktop() = default;
    virtual std::map<std::string, std::string> environment() const = 0;
    virtual std::vector<std::int32_t> pids() const = 0;
    // The windows requests name, the one most worth acting in first.
    virtual std::vector<WindowRef> windows() const = 0;
    // Called between chunks of input; may change the world under the program.
    virtual void disturb(std::mt19937_64& random) = 0;
    // Keys and buttons the program pressed and has not let go, as far as the desktop can tell;
    // nothing when it cannot tell.
    virtual std::optional<std::vector<std::string>> heldInput() const = 0;
    // Puts the desktop back (continues a stopped application) before the program ends.
    virtual void settle() = 0;
};

// The simulated desktop with faults for about `seconds` of soak, its files in `folder`.
std::unique_ptr<SoakDesktop> simulatedDesktop(const std::string& scenarioDir,
                                              const std::string& folder, double seconds,
                                              std::uint64_t seed);
// The X11 desktop of the private session ($DISPLAY), with the application of `appPid`
// disturbed; null when the display cannot be opened or the build has no X11 desktop.
std::unique_ptr<SoakDesktop> x11Desktop(std::int32_t appPid);

} // namespace orvel::soak
