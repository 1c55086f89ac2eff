// A time bound on one piece of work that, in the same check, says when the work is no longer
// wanted. Long loops call check() between steps; waits size their time-outs with remaining().
//
// Immutable once made; copies share the probe and the clock. The probe and the clock are called
// on the thread that calls check() or remaining(), without any lock of the deadline's own.
#pragma once

#include "OrvelControlCore/Clock.hpp"

#include <chrono>
#include <functional>
#include <memory>

namespace orvel {

class Deadline {
  public:
    // Expires `seconds` after the clock's now. `live` says whether the work is still wanted.
    // A negative or NaN duration expires at once; a huge one is held to about a century.
    Deadline(double seconds, std::function<bool()> live, WallClock clock = systemNow);

    std::chrono::system_clock::time_point expires() const { return expiry; }

    // Seconds left; zero or negative once the deadline has passed.
    double remaining() const;

    // Throws cancelled when the probe says the work is unwanted (without reading the clock),
    // otherwise timeout when no time remains.
    void check() const;

  private:
    struct Sources {
        std::function<bool()> live;
        WallClock clock;
    };

    std::shared_ptr<const Sources> sources;
    std::chrono::system_clock::time_point expiry;
};

} // namespace orvel
