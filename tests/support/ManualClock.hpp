// A wall clock that only moves when a test moves it. Thread-safe.
#pragma once

#include "OrvelControlCore/Clock.hpp"

#include <chrono>
#include <mutex>

namespace orvel::testing {

class ManualClock {
  public:
    explicit ManualClock(
        std::chrono::system_clock::time_point start = std::chrono::system_clock::time_point{} +
                                                      std::chrono::seconds(1765000000))
        : now_(start) {}

    std::chrono::system_clock::time_point now() const {
        std::lock_guard guard(lock_);
        return now_;
    }
    void advance(double seconds) {
        std::lock_guard guard(lock_);
        now_ += std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::duration<double>(seconds));
    }
    WallClock function() {
        return [this] {
            return now();
        };
    }

  private:
    mutable std::mutex lock_;
    std::chrono::system_clock::time_point now_;
};

} // namespace orvel::testing
