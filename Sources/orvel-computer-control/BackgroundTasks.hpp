// Short one-shot jobs that must not run on the caller's thread (the wait for running
// mutations after a halt, takeover reports): each runs on a thread of its own.
//
// `run` may be called from any thread. Destruction waits for every job started, so an owner
// that is destroyed never leaves a job touching it afterwards; jobs must therefore end on
// their own.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace orvel {

class BackgroundTasks {
  public:
    BackgroundTasks() = default;
    ~BackgroundTasks();
    BackgroundTasks(const BackgroundTasks&) = delete;
    BackgroundTasks& operator=(const BackgroundTasks&) = delete;

    void run(std::function<void()> job);

    // Waits for every job started so far.
    void joinAll();

  private:
    struct Task {
        std::shared_ptr<std::atomic<bool>> done;
        std::thread thread;
    };

    void joinFinished();

    std::mutex lock_;
    std::vector<Task> tasks_; // guarded by lock_
};

} // namespace orvel
