#include "SerialQueue.hpp"

#include "platform/ProcessControl.hpp"

namespace orvel {

SerialQueue::SerialQueue(std::string label)
    : label_(std::move(label)), thread_([this] { runJobs(); }) {}

SerialQueue::~SerialQueue() {
    {
        std::lock_guard guard(lock_);
        closing_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void SerialQueue::async(std::function<void()> job) {
    {
        std::lock_guard guard(lock_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void SerialQueue::runJobs() {
    platform::process::nameCurrentThread(label_);
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock guard(lock_);
            wake_.wait(guard, [this] { return closing_ || !jobs_.empty(); });
            if (jobs_.empty()) {
                return;
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

} // namespace orvel
