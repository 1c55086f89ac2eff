// The distributed notification centre of the simulated desktop: observers are kept for good
// and called on the main loop when the script sends their notification. Safe to call from any
// thread.
#pragma once

#include "platform/NotificationCenter.hpp"
#include "platform/sim/DesktopCore.hpp"

namespace orvel::sim {

class SimNotificationCenter final : public platform::NotificationCenter {
  public:
    explicit SimNotificationCenter(DesktopCore& core) : core_(core) {}

    void addObserver(const std::string& name, std::function<void()> handler) override;

  private:
    DesktopCore& core_;
};

} // namespace orvel::sim
