// The workspace: running applications, activation and opening addresses.
//
// On the real desktop these calls belong to the main thread; callers hop there through
// `MainLoop::runSync`. The name comparison is the platform's localised, case-insensitive one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvel::platform {

enum class ActivationPolicy : int { regular = 0, accessory = 1, prohibited = 2 };

// The facts of one `NSRunningApplication`.
struct RunningApplication {
    std::int32_t processIdentifier = 0;
    std::optional<std::string> bundleIdentifier;
    std::optional<std::string> localizedName;
    bool isActive = false;
    bool isHidden = false;
    std::optional<double> launchDate; // seconds since 1970
    ActivationPolicy activationPolicy = ActivationPolicy::regular;
};

class Workspace {
  public:
    virtual ~Workspace() = default;

    // NSWorkspace runningApplications, in the workspace's order.
    virtual std::vector<RunningApplication> runningApplications() = 0;

    // NSWorkspace frontmostApplication.
    virtual std::optional<RunningApplication> frontmostApplication() = 0;

    // NSRunningApplication runningApplicationWithProcessIdentifier:.
    virtual std::optional<RunningApplication> runningApplication(std::int32_t pid) = 0;

    // NSRunningApplication activateWithOptions:; true when the activation was accepted.
    virtual bool activate(std::int32_t pid, std::uint32_t options) = 0;

    // NSWorkspace openURL:; true when opened.
    virtual bool openURL(const std::string& url) = 0;

    // localizedCaseInsensitiveCompare: negative, zero or positive.
    virtual int localizedCaseInsensitiveCompare(const std::string& a, const std::string& b) = 0;
};

} // namespace orvel::platform
