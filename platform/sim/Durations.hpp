// Seconds as the simulator's scenarios and time-outs give them, turned into durations that
// are safe to sleep or wait for: NaN and negative values count as zero, and anything longer
// than a year is held to a year so the conversion can never overflow. Pure.
#pragma once

#include <chrono>

namespace orvel::sim {

std::chrono::nanoseconds boundedDuration(double seconds);

// Sleeps the calling thread for `seconds`, bounded as above; nothing for zero.
void sleepSeconds(double seconds);

} // namespace orvel::sim
