// The wall clock as an injectable function. Deadlines and the input ledger read "now" through a
// WallClock so that tests can move time by hand; production code uses systemNow.
// A WallClock must be safe to call from any thread that uses the object holding it.
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>

namespace orvel {

using WallClock = std::function<std::chrono::system_clock::time_point()>;

inline std::chrono::system_clock::time_point systemNow() {
    return std::chrono::system_clock::now();
}

// Times in JSON are seconds since 1970, with the fraction.
inline double secondsSince1970(std::chrono::system_clock::time_point time) {
    return std::chrono::duration<double>(time.time_since_epoch()).count();
}

// `seconds` as a clock duration. NaN counts as zero and the magnitude is held to about a
// century, so the conversion never overflows and adding the result to a current time is safe.
inline std::chrono::system_clock::duration secondsDuration(double seconds) {
    constexpr double century = 100.0 * 365.25 * 24 * 60 * 60;
    const double bounded = std::isnan(seconds) ? 0.0 : std::clamp(seconds, -century, century);
    return std::chrono::duration_cast<std::chrono::system_clock::duration>(
        std::chrono::duration<double>(bounded));
}

} // namespace orvel
