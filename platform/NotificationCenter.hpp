// The system's distributed notifications (the screen lock and unlock broadcasts).
//
// Observers are called on the main loop, once per notification; they are never removed.
#pragma once

#include <functional>
#include <string>

namespace orvel::platform {

namespace notification {
inline constexpr const char* screenIsLocked = "com.apple.screenIsLocked";
inline constexpr const char* screenIsUnlocked = "com.apple.screenIsUnlocked";
} // namespace notification

class NotificationCenter {
  public:
    virtual ~NotificationCenter() = default;

    // addObserver on the default distributed centre, no object, no queue.
    virtual void addObserver(const std::string& name, std::function<void()> handler) = 0;
};

} // namespace orvel::platform
