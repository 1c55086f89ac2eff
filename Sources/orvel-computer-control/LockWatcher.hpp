// Follows the system's screen lock and unlock notifications: the last one seen keeps the
// screen counted as locked until the next unlock, whatever the session dictionary says.
//
// Threading: `start` runs on the main loop (notifications arrive there); `lastNotified` may
// be read from any thread. `lock_` guards the last notification.
#pragma once

#include "platform/NotificationCenter.hpp"

#include <mutex>
#include <optional>

namespace orvel {

class LockWatcher {
  public:
    explicit LockWatcher(platform::NotificationCenter& notifications)
        : notifications_(notifications) {}
    LockWatcher(const LockWatcher&) = delete;
    LockWatcher& operator=(const LockWatcher&) = delete;

    // Registers the two observers; a second call does nothing.
    void start();

    // True after a lock notification, false after an unlock one, absent before either.
    std::optional<bool> lastNotified() const;

  private:
    void record(bool locked);

    platform::NotificationCenter& notifications_;
    bool started_ = false; // touched only by start(), on the main loop
    mutable std::mutex lock_;
    std::optional<bool> lastNotified_; // guarded by lock_
};

} // namespace orvel
