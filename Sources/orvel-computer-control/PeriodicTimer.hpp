// A repeating timer on a thread of its own, named after the timer's label: the tick runs first one
// interval after `start` and then once per interval, never two at once, until the timer is
// cancelled.
//
// `cancel` may be called from any thread, the tick's own included; destruction cancels and,
// unless called from the tick itself, waits for a running tick to end.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace orvel {

class PeriodicTimer {
  public:
    PeriodicTimer(std::string label, std::chrono::milliseconds interval,
                  std::function<void()> tick);
    ~PeriodicTimer();
    PeriodicTimer(const PeriodicTimer&) = delete;
    PeriodicTimer& operator=(const PeriodicTimer&) = delete;

    void cancel();
    bool isCancelled() const;

  private:
    void run();

    std::string label_;
    std::chrono::milliseconds interval_;
    std::function<void()> tick_;
    mutable std::mutex lock_;
    std::condition_variable wake_;
    bool cancelled_ = false; // guarded by lock_
    std::thread thread_;
};

} // namespace orvel
