// X11 has no permission system; the "permissions" are what the server lets this client do:
// - screen recording: a read of the root window's pixels succeeds;
// - input monitoring: the XInput2 raw-event selection on the root window succeeds (the
//   takeover listener needs it), tried on a connection of its own that is closed at once.
// Asking changes nothing, so a request answers what a check answers. Safe from any thread.
#pragma once

#include "platform/PrivacyAccess.hpp"
#include "platform/linux/x11/X11Connection.hpp"

#include <string>

namespace orvel::linuxdesktop {

class X11PrivacyAccess final : public platform::PrivacyAccess {
  public:
    // `shared` is the request-only connection; `displayName` opens the probe connections.
    X11PrivacyAccess(const X11Connection& shared, std::string displayName);

    std::int32_t checkAccess(std::int32_t requestType) override;
    bool requestAccess(std::int32_t requestType) override;
    bool preflightScreenCaptureAccess() override;
    bool requestScreenCaptureAccess() override;

  private:
    bool rawEventsSelectable() const;

    const X11Connection& shared_;
    std::string displayName_;
};

} // namespace orvel::linuxdesktop
