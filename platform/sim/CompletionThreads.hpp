// The threads on which the simulated capture services call their completions. Each job runs
// on a thread of its own, so a capture that takes long (or never ends) holds up nothing else;
// a job waits with `sleepFor`, which returns early, false, once the threads are stopped.
//
// `start` and `sleepFor` are safe from any thread. `stop` (also run by the destructor) wakes
// every sleeping job and waits for all of them to return; jobs started after it do not run.
// Finished threads are joined when the next job starts.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace orvel::sim {

class CompletionThreads {
  public:
    CompletionThreads() = default;
    ~CompletionThreads();
    CompletionThreads(const CompletionThreads&) = delete;
    CompletionThreads& operator=(const CompletionThreads&) = delete;

    void start(std::function<void()> job);
    // Sleeps up to `seconds`; false when woken because the threads are stopping.
    bool sleepFor(double seconds);
    bool stopping() const;
    void stop();

  private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };

    void joinFinished();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;     // guarded by mutex_
    std::list<Worker> workers_; // guarded by mutex_
};

} // namespace orvel::sim
