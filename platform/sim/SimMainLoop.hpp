// The simulated desktop's main loop: a FIFO of jobs guarded by one mutex and woken by a
// condition variable. The thread that calls `runForever` is the main thread until `quit`;
// tap events and notifications reach the program as jobs posted here.
//
// `post`, `quit` and `isMainThread` are safe from any thread. A `quit` that comes before
// `runForever` makes it return at once. Jobs still queued when the loop quits are dropped with
// the loop. The loop must have stopped before it is destroyed.
#pragma once

#include "platform/MainLoop.hpp"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace orvel::sim {

class SimMainLoop final : public platform::MainLoop {
  public:
    void post(std::function<void()> job) override;
    bool isMainThread() const override;
    void runForever() override;
    void quit() override;

  private:
    // Waits for the next job; empty when the loop has been told to quit.
    std::function<void()> nextJob();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_; // guarded by mutex_
    bool quitting_ = false;                  // guarded by mutex_
    std::atomic<std::thread::id> runner_{};
};

} // namespace orvel::sim
