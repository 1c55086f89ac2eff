#include "PeriodicTimer.hpp"

#include "platform/ProcessControl.hpp"

namespace orvel {

PeriodicTimer::PeriodicTimer(std::string label, std::chrono::milliseconds interval,
                             std::function<void()> tick)
    : label_(std::move(label)), interval_(interval), tick_(std::move(tick)),
      thread_([this] { run(); }) {}

PeriodicTimer::~PeriodicTimer() {
    cancel();
    if (thread_.get_id() == std::this_thread::get_id()) {
        thread_.detach();
    } else {
        thread_.join();
    }
}

void PeriodicTimer::cancel() {
    {
        std::lock_guard guard(lock_);
        cancelled_ = true;
    }
    wake_.notify_all();
}

bool PeriodicTimer::isCancelled() const {
    std::lock_guard guard(lock_);
    return cancelled_;
}

void PeriodicTimer::run() {
    platform::process::nameCurrentThread(label_);
    // Ticks are scheduled from the start, not from the end of the last tick, so a slow tick
    // does not make the timer drift.
    auto next = std::chrono::steady_clock::now() + interval_;
    for (;;) {
        {
            std::unique_lock guard(lock_);
            if (wake_.wait_until(guard, next, [this] { return cancelled_; })) {
                return;
            }
        }
        tick_();
        next += interval_;
        auto now = std::chrono::steady_clock::now();
        if (next < now) {
            next = now;
        }
    }
}

} // namespace orvel
