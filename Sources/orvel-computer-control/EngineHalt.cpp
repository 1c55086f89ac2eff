// Halting, the watchdog, draining and the ways the process ends.
#include "Engine.hpp"

#include "OrvelControlCore/Limits.hpp"
#include "OrvelControlCore/Responses.hpp"
#include "ProductIdentity.hpp"

#include <condition_variable>

namespace orvel {

namespace {

// Every ending completes within about this long whether or not anyone reads standard output:
// the stopped event goes out if standard output takes it in this time, and a line in progress
// is given up only after standard output has taken nothing of it for this long.
constexpr auto endingTime = std::chrono::seconds(1);

} // namespace

int Engine::halt(const std::string& reason) {
    bool wasHalted = ledger_.halt();
    {
        std::lock_guard guard(lock_);
        current_.reset();
    }
    int running = input_.ledger().stop();
    listener_.setAutomation(false);
    if (wasHalted) {
        return running;
    }
    wire_.send(eventLine("stopped", Json{{"reason", reason},
                                         {"heldInput", input_.ledger().snapshot()},
                                         {"mutationsRunning", running}}));
    if (running >= 1) {
        settleWaits_.run([this, running] {
            input_.ledger().settleMutations();
            wire_.send(eventLine("input_settled", Json{{"runningWhenStopped", running}}));
        });
    }
    return running;
}

void Engine::startWatchdog() {
    std::lock_guard guard(watchdogLock_);
    if (!watchdog_) {
        watchdog_ = std::make_unique<PeriodicTimer>(product::watchdogLabel, watchdogInterval_,
                                                    [this] { watchdogTick(); });
    }
}

void Engine::watchdogTick() {
    auto parentNow = platform_.process.parentPid();
    if (parentNow != parentPid_ || !platform_.process.probe(parentPid_)) {
        beginEnding();
        halt("parent_exited");
        cancelWatchdog();
        exitAfterOutput();
        return;
    }
    if (!input_.ledger().releaseStale(Limits::heldInputSeconds).empty()) {
        wire_.send(eventLine("input_released", Json{{"reason", "watchdog"}}));
    }
}

void Engine::cancelWatchdog() {
    std::lock_guard guard(watchdogLock_);
    if (watchdog_) {
        watchdog_->cancel();
    }
}

void Engine::drain(double seconds) {
    struct Marker {
        std::mutex lock;
        std::condition_variable reached;
        bool done = false;
    };
    auto marker = std::make_shared<Marker>();
    worker_.async([marker] {
        std::lock_guard guard(marker->lock);
        marker->done = true;
        marker->reached.notify_all();
    });
    std::unique_lock guard(marker->lock);
    marker->reached.wait_for(guard, std::chrono::duration<double>(seconds),
                             [&marker] { return marker->done; });
}

// Running work still gets the drain's three seconds; its answer goes out if standard output
// takes it, and is dropped rather than waited for once the ending's time is up.
void Engine::endOfInput() {
    beginEnding();
    halt("eof");
    drain(3.0);
    halt("eof");
    cancelWatchdog();
    exitAfterOutput();
}

void Engine::handleTerminationSignal() {
    beginEnding();
    halt("signal");
    cancelWatchdog();
    exitAfterOutput();
}

void Engine::beginEnding() {
    wire_.limitWaits(Wire::Clock::now() + endingTime);
}

void Engine::exitAfterOutput() {
    wire_.close(endingTime);
    exitProcess_(0);
}

} // namespace orvel
