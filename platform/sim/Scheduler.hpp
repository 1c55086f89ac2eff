// One thread that runs jobs when they fall due on the steady clock: the script's timed steps
// and the desktop's delayed changes. Jobs run one at a time, in order of their due time (ties
// in the order scheduled), without the scheduler's lock held.
//
// `schedule` is safe from any thread, including from a job. `stop` (also run by the
// destructor) drops what has not run yet and waits for a running job to finish; after it,
// `schedule` does nothing.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

namespace orvel::sim {

class Scheduler {
  public:
    using Clock = std::chrono::steady_clock;

    Scheduler();
    ~Scheduler();
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    void schedule(Clock::time_point due, std::function<void()> job);
    void stop();

  private:
    void run();
    // Waits for the next due job; empty once stopped.
    std::function<void()> nextDueJob();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::multimap<std::pair<Clock::time_point, std::uint64_t>, std::function<void()>>
        jobs_;                   // guarded by mutex_
    std::uint64_t sequence_ = 0; // guarded by mutex_
    bool stopping_ = false;      // guarded by mutex_
    std::thread thread_;
};

} // namespace orvel::sim
