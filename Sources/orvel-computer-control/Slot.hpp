// A one-shot result box for a platform call that answers through a completion on another
// thread: the waiter waits a bounded time, and a result that arrives after it gave up is
// dropped.
//
// Shared between the waiter and the completion (hold it by `std::shared_ptr`). `lock_`
// guards the value and `abandoned_`, so that storing a late value and giving up exclude
// each other; the condition variable carries the wake-up.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace orvel {

template <class Result> class Slot {
  public:
    // Stores the first result, unless the waiter has already given up.
    void settle(Result result) {
        {
            std::lock_guard guard(lock_);
            if (abandoned_ || value_) {
                return;
            }
            value_ = std::move(result);
        }
        settled_.notify_all();
    }

    // The result, or absent when none was settled within `seconds`; a result stored between
    // the time-out and this call taking the lock still counts. For the one waiter, once: the
    // result (a whole image, say) is moved out, not copied.
    std::optional<Result> wait(double seconds) {
        std::unique_lock guard(lock_);
        settled_.wait_for(guard, std::chrono::duration<double>(seconds),
                          [this] { return value_.has_value(); });
        if (!value_) {
            abandoned_ = true;
        }
        // A moved-from optional stays engaged, so a later `settle` still finds it taken.
        return std::move(value_);
    }

    bool isAbandoned() const {
        std::lock_guard guard(lock_);
        return abandoned_;
    }

  private:
    mutable std::mutex lock_;
    std::condition_variable settled_;
    std::optional<Result> value_; // guarded by lock_
    bool abandoned_ = false;      // guarded by lock_
};

} // namespace orvel
