// A serial queue: one thread, named after the queue's label, that runs the jobs handed to it one
// at a time, in the order they were queued.
//
// `async` may be called from any thread. Destruction lets the jobs already queued run, then
// joins the thread; it must not be called from a job of the queue itself.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace orvel {

class SerialQueue {
  public:
    explicit SerialQueue(std::string label);
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const std::string& label() const { return label_; }
    void async(std::function<void()> job);

  private:
    void runJobs();

    std::string label_;
    std::mutex lock_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_; // guarded by lock_
    bool closing_ = false;                   // guarded by lock_
    std::thread thread_;
};

} // namespace orvel
