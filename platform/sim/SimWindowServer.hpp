// The window server of the simulated desktop: the window list as dictionaries and the login
// session's dictionary. Safe to call from any thread.
#pragma once

#include "platform/WindowServer.hpp"
#include "platform/sim/DesktopCore.hpp"

namespace orvel::sim {

class SimWindowServer final : public platform::WindowServer {
  public:
    explicit SimWindowServer(DesktopCore& core) : core_(core) {}

    std::optional<Json> copyWindowInfo(std::uint32_t options,
                                       std::uint32_t relativeToWindow) override;
    std::optional<Json> copyCurrentSessionDictionary() override;

  private:
    DesktopCore& core_;
};

} // namespace orvel::sim
