// The operating system's privacy permissions for Input Monitoring and Screen Recording
// (Accessibility trust belongs to `AccessibilityService`). Safe to call from any thread.
#pragma once

#include <cstdint>

namespace orvel::platform {

namespace hidaccess {
inline constexpr std::int32_t listenEvent = 1;
inline constexpr std::int32_t granted = 0;
inline constexpr std::int32_t denied = 1;
inline constexpr std::int32_t unknown = 2;
} // namespace hidaccess

class PrivacyAccess {
  public:
    virtual ~PrivacyAccess() = default;

    // IOHIDCheckAccess: `hidaccess::granted`, `denied` or `unknown`.
    virtual std::int32_t checkAccess(std::int32_t requestType) = 0;
    // IOHIDRequestAccess: prompts; true when granted.
    virtual bool requestAccess(std::int32_t requestType) = 0;

    // CGPreflightScreenCaptureAccess (never prompts) and CGRequestScreenCaptureAccess.
    virtual bool preflightScreenCaptureAccess() = 0;
    virtual bool requestScreenCaptureAccess() = 0;
};

} // namespace orvel::platform
