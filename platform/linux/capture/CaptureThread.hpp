// The capture service's own thread: jobs run one at a time in the order posted, so that the
// capture connection and the redirected windows belong to one thread, and completions never
// run on the caller's thread.
//
// `post` is safe from any thread. The destructor lets the running job finish, drops the jobs
// still queued (their completions never come, as the capture contract allows) and joins.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace orvel::linuxdesktop {

class CaptureThread {
  public:
    CaptureThread();
    ~CaptureThread();
    CaptureThread(const CaptureThread&) = delete;
    CaptureThread& operator=(const CaptureThread&) = delete;

    void post(std::function<void()> job);

  private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_; // guarded by mutex_
    bool stopping_ = false;                  // guarded by mutex_
    std::thread thread_;
};

} // namespace orvel::linuxdesktop
