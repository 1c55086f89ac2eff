// The lock and unlock notifications of the Linux desktop: observers are kept for good and
// called on the main loop, once per notification, when the lock signals arrive (see
// LockSignals). Safe to call from any thread; `deliver` runs on the main loop.
#pragma once

#include "platform/NotificationCenter.hpp"

#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace orvel::linuxdesktop {

class LinuxNotificationCenter final : public platform::NotificationCenter {
  public:
    void addObserver(const std::string& name, std::function<void()> handler) override;

    // Calls every observer of `name`, in the order they were added, without holding the lock.
    void deliver(const std::string& name);

  private:
    std::mutex mutex_;
    std::vector<std::pair<std::string, std::function<void()>>> observers_; // guarded by mutex_
};

} // namespace orvel::linuxdesktop
