// Polling for what a real desktop does a moment later (a window manager restacking, a signal
// crossing a bus): `eventually` checks `condition` every 20 ms until it holds or `timeout`
// passes, and says whether it held.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace orvel::testing {

inline bool eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

} // namespace orvel::testing
