#include "OrvelControlCore/Deadline.hpp"

#include "OrvelControlCore/Failures.hpp"

#include <algorithm>

namespace orvel {

Deadline::Deadline(double seconds, std::function<bool()> live, WallClock clock)
    : sources(std::make_shared<const Sources>(Sources{std::move(live), std::move(clock)})),
      expiry(sources->clock() + secondsDuration(std::max(seconds, 0.0))) {}

double Deadline::remaining() const {
    return std::chrono::duration<double>(expiry - sources->clock()).count();
}

void Deadline::check() const {
    if (!sources->live()) {
        throw failures::cancelled();
    }
    if (remaining() <= 0) {
        throw failures::timeout();
    }
}

} // namespace orvel
