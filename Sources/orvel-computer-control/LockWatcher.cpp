#include "LockWatcher.hpp"

namespace orvel {

void LockWatcher::start() {
    if (started_) {
        return;
    }
    started_ = true;
    notifications_.addObserver(platform::notification::screenIsLocked, [this] { record(true); });
    notifications_.addObserver(platform::notification::screenIsUnlocked, [this] { record(false); });
}

std::optional<bool> LockWatcher::lastNotified() const {
    std::lock_guard guard(lock_);
    return lastNotified_;
}

void LockWatcher::record(bool locked) {
    std::lock_guard guard(lock_);
    lastNotified_ = locked;
}

} // namespace orvel
