// The one entry point through which the executable obtains its platform. Exactly one backend
// library defines `makeBackend`; the build chooses which (the simulated desktop wherever the
// real desktop backend is not built).
#pragma once

#include "platform/Platform.hpp"

#include <memory>
#include <string>

namespace orvel::platform {

class Backend {
  public:
    virtual ~Backend() = default;
    virtual Platform& platform() = 0;
};

// Builds the backend from the process environment. On failure returns null and sets `error`
// to a one-line reason; the caller reports it and exits with status 2.
std::unique_ptr<Backend> makeBackend(std::string& error);

} // namespace orvel::platform
