#include "platform/sim/SimMainLoop.hpp"

namespace orvel::sim {

void SimMainLoop::post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

bool SimMainLoop::isMainThread() const {
    return runner_.load() == std::this_thread::get_id();
}

void SimMainLoop::runForever() {
    struct RunnerMark {
        std::atomic<std::thread::id>& runner;
        explicit RunnerMark(std::atomic<std::thread::id>& slot) : runner(slot) {
            runner.store(std::this_thread::get_id());
        }
        ~RunnerMark() { runner.store(std::thread::id()); }
    } mark(runner_);
    while (auto job = nextJob()) {
        job();
    }
}

void SimMainLoop::quit() {
    {
        std::lock_guard lock(mutex_);
        quitting_ = true;
    }
    wake_.notify_all();
}

std::function<void()> SimMainLoop::nextJob() {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return quitting_ || !jobs_.empty(); });
    if (quitting_) {
        return {};
    }
    auto job = std::move(jobs_.front());
    jobs_.pop_front();
    return job;
}

} // namespace orvel::sim
