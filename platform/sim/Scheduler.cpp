#include "platform/sim/Scheduler.hpp"

namespace orvel::sim {

Scheduler::Scheduler() : thread_([this] { run(); }) {}

Scheduler::~Scheduler() {
    stop();
}

void Scheduler::schedule(Clock::time_point due, std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            return;
        }
        jobs_.emplace(std::pair{due, sequence_++}, std::move(job));
    }
    wake_.notify_all();
}

void Scheduler::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        jobs_.clear();
    }
    wake_.notify_all();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
        thread_.join();
    }
}

void Scheduler::run() {
    while (auto job = nextDueJob()) {
        job();
    }
}

std::function<void()> Scheduler::nextDueJob() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (jobs_.empty()) {
            wake_.wait(lock);
            continue;
        }
        const auto due = jobs_.begin()->first.first;
        if (Clock::now() >= due) {
            auto job = std::move(jobs_.begin()->second);
            jobs_.erase(jobs_.begin());
            return job;
        }
        wake_.wait_until(lock, due);
    }
    return {};
}

} // namespace orvel::sim
