// The main thread's loop. It runs platform callbacks (event tap, notifications) and the jobs
// other threads hand it; the thread that calls `runForever` is the main thread.
//
// `post` is callable from any thread; `runSync` runs a job on the loop and waits for it
// (directly when the caller already is the loop's thread).
#pragma once

#include <functional>
#include <future>
#include <type_traits>

namespace orvel::platform {

class MainLoop {
  public:
    virtual ~MainLoop() = default;

    // Queues a job; jobs run one at a time in the order posted.
    virtual void post(std::function<void()> job) = 0;

    // True on the thread running the loop.
    virtual bool isMainThread() const = 0;

    // Runs the loop on the calling thread until `quit`.
    virtual void runForever() = 0;
    virtual void quit() = 0;

    template <class Job> auto runSync(Job&& job) -> std::invoke_result_t<Job&> {
        using Result = std::invoke_result_t<Job&>;
        if (isMainThread()) {
            return job();
        }
        std::packaged_task<Result()> task(std::forward<Job>(job));
        auto result = task.get_future();
        post([&task] { task(); });
        return result.get();
    }
};

} // namespace orvel::platform
