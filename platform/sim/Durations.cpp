#include "platform/sim/Durations.hpp"

#include <cmath>
#include <thread>

namespace orvel::sim {

std::chrono::nanoseconds boundedDuration(double seconds) {
    constexpr double year = 365.0 * 24 * 60 * 60;
    if (std::isnan(seconds) || seconds <= 0) {
        return std::chrono::nanoseconds(0);
    }
    const double bounded = std::fmin(seconds, year);
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::duration<double>(bounded));
}

void sleepSeconds(double seconds) {
    const auto duration = boundedDuration(seconds);
    if (duration.count() > 0) {
        std::this_thread::sleep_for(duration);
    }
}

} // namespace orvel::sim
