// The privacy permissions of the simulated desktop for Input Monitoring and Screen Recording.
// A request answers with the permission as it stood; with `grantOnRequest` the permission is
// granted from then on, as when the user accepts the prompt. Safe to call from any thread.
#pragma once

#include "platform/PrivacyAccess.hpp"
#include "platform/sim/DesktopCore.hpp"

namespace orvel::sim {

class SimPrivacyAccess final : public platform::PrivacyAccess {
  public:
    explicit SimPrivacyAccess(DesktopCore& core) : core_(core) {}

    std::int32_t checkAccess(std::int32_t requestType) override;
    bool requestAccess(std::int32_t requestType) override;
    bool preflightScreenCaptureAccess() override;
    bool requestScreenCaptureAccess() override;

  private:
    DesktopCore& core_;
};

} // namespace orvel::sim
