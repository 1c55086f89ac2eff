// The shared heart of the simulated desktop: its state behind one mutex, the scheduler that
// runs the script's timed steps and delayed changes, the threads capture completions run on,
// and the main loop that callbacks are delivered on. Every service of the desktop works
// through it.
//
// `change` and `read` run a function on the state with the mutex held; such functions never
// sleep and never call out: they leave callbacks and later changes in an `Outbox`. `change`
// queues the callbacks on the main loop before it releases the mutex, so that they run in the
// order of the changes that made them (queueing takes only the loop's own lock and runs
// nothing), and hands the later changes to the scheduler after. `shutdown`
// stops the scheduler and the completion threads; it runs before the desktop goes away.
#pragma once

#include "platform/sim/CompletionThreads.hpp"
#include "platform/sim/DesktopState.hpp"
#include "platform/sim/Outbox.hpp"
#include "platform/sim/Scheduler.hpp"
#include "platform/sim/SimMainLoop.hpp"

#include <chrono>
#include <memory>
#include <mutex>
#include <type_traits>

namespace orvel::sim {

class DesktopCore {
  public:
    DesktopCore(const Scenario& scenario, std::unique_ptr<std::ofstream> logFile);
    ~DesktopCore();
    DesktopCore(const DesktopCore&) = delete;
    DesktopCore& operator=(const DesktopCore&) = delete;

    template <class Change> auto change(Change&& change) {
        Outbox outbox;
        if constexpr (std::is_void_v<std::invoke_result_t<Change&, DesktopState&, Outbox&>>) {
            {
                std::lock_guard lock(mutex_);
                change(state_, outbox);
                queueMainLoopJobs(outbox);
            }
            scheduleLaterChanges(std::move(outbox));
        } else {
            auto result = [&] {
                std::lock_guard lock(mutex_);
                auto value = change(state_, outbox);
                queueMainLoopJobs(outbox);
                return value;
            }();
            scheduleLaterChanges(std::move(outbox));
            return result;
        }
    }

    template <class Read> auto read(Read&& read) const {
        std::lock_guard lock(mutex_);
        return read(std::as_const(state_));
    }

    // Runs `change` as a change of its own once `delaySeconds` have passed.
    void changeLater(double delaySeconds, std::function<void(DesktopState&, Outbox&)> change);

    SimMainLoop& mainLoop() { return mainLoop_; }
    CompletionThreads& completions() { return completions_; }
    // The identity handles carry to tell this desktop's elements from another's.
    const std::shared_ptr<const void>& identity() const { return identity_; }

    void shutdown();

  private:
    // With the mutex held: moves the outbox's callbacks onto the main loop.
    void queueMainLoopJobs(Outbox& outbox);
    void scheduleLaterChanges(Outbox outbox);
    void scheduleScript(const Scenario& scenario);

    const std::chrono::steady_clock::time_point start_;
    const std::shared_ptr<const void> identity_;
    mutable std::mutex mutex_;
    DesktopState state_; // guarded by mutex_
    SimMainLoop mainLoop_;
    CompletionThreads completions_;
    Scheduler scheduler_;
};

} // namespace orvel::sim
