// What a change of the desktop leaves to be done once the desktop's lock is released: jobs for
// the main loop (tap deliveries, notifications) and changes that fall due later (a slow
// activation, an effect of a message that outlived its time-out). Collecting them here keeps
// every callback and every wait outside the lock. Plain value.
#pragma once

#include <functional>
#include <vector>

namespace orvel::sim {

struct DesktopState;
struct Outbox;

struct LaterChange {
    double delaySeconds = 0;
    std::function<void(DesktopState&, Outbox&)> change;
};

struct Outbox {
    std::vector<std::function<void()>> mainLoopJobs;
    std::vector<LaterChange> laterChanges;
};

} // namespace orvel::sim
