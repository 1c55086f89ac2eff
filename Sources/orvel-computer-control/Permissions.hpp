// What the operating system allows the program right now: the three privacy permissions,
// the screen lock, secure keyboard entry and the takeover listener; asking for a permission
// and opening the right pane of System Settings; and the lock guard every action and
// capture passes first.
//
// Threading: `status`, `lockState` and `ensureUnlocked` from any thread (the reader and the
// worker); `request` on the worker, hopping to the main loop for what belongs there. No
// state of its own: every call asks the platform and the owners' locked state again.
#pragma once

#include "LockWatcher.hpp"
#include "OrvelControlCore/Json.hpp"
#include "OrvelControlCore/LockState.hpp"
#include "UserInputListener.hpp"
#include "platform/Platform.hpp"

#include <optional>
#include <string>

namespace orvel {

enum class Permission { accessibility, screenRecording, inputMonitoring };

std::optional<Permission> permissionNamed(const std::string& rawValue);
std::string rawValue(Permission permission);
std::string settingsPaneAnchor(Permission permission);

class Permissions {
  public:
    Permissions(platform::Platform& platform, UserInputListener& listener,
                const LockWatcher& lockWatcher);

    LockState lockState() const;
    void ensureUnlocked() const;
    Json lockPayload(const LockState& state) const;

    Json status() const;
    Json request(Permission permission, bool openSettings);

  private:
    bool askFor(Permission permission);

    platform::Platform& platform_;
    UserInputListener& listener_;
    const LockWatcher& lockWatcher_;
};

} // namespace orvel
