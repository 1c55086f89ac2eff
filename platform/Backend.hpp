// The one entry point through which the executable obtains its platform. `makeBackend` is
// defined in platform/select/, which chooses the desktop from the environment (the simulated
// desktop unless ORVEL_DESKTOP asks for the real one).
#pragma once

#include "platform/Platform.hpp"

#include <memory>
#include <string>

namespace orvel::platform {

class Backend {
  public:
    virtual ~Backend() = default;
    virtual Platform& platform() = 0;
    // Undoes what the backend changed on the desktop that would outlive the process; called
    // right before the process ends (its destructors do not run), from any thread, once input
    // has stopped. Bounded.
    virtual void beforeExit() {}
};

// Builds the backend from the process environment. On failure returns null and sets `error`
// to a one-line reason; the caller reports it and exits with status 2.
std::unique_ptr<Backend> makeBackend(std::string& error);

} // namespace orvel::platform
