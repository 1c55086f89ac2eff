#include "platform/sim/CompletionThreads.hpp"

#include "platform/sim/Durations.hpp"

namespace orvel::sim {

CompletionThreads::~CompletionThreads() {
    stop();
}

void CompletionThreads::start(std::function<void()> job) {
    joinFinished();
    std::lock_guard lock(mutex_);
    if (stopping_) {
        return;
    }
    auto finished = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([job = std::move(job), finished] {
        job();
        finished->store(true);
    });
    workers_.push_back(Worker{std::move(thread), std::move(finished)});
}

bool CompletionThreads::sleepFor(double seconds) {
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, boundedDuration(seconds), [this] { return stopping_; });
}

bool CompletionThreads::stopping() const {
    std::lock_guard lock(mutex_);
    return stopping_;
}

void CompletionThreads::stop() {
    std::list<Worker> workers;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        workers.swap(workers_);
    }
    wake_.notify_all();
    for (auto& worker : workers) {
        // A completion that ends up stopping its own desktop cannot wait for itself.
        if (worker.thread.get_id() == std::this_thread::get_id()) {
            worker.thread.detach();
        } else {
            worker.thread.join();
        }
    }
}

void CompletionThreads::joinFinished() {
    std::list<Worker> finished;
    {
        std::lock_guard lock(mutex_);
        for (auto worker = workers_.begin(); worker != workers_.end();) {
            auto next = std::next(worker);
            if (worker->finished->load()) {
                finished.splice(finished.end(), workers_, worker);
            }
            worker = next;
        }
    }
    for (auto& worker : finished) {
        worker.thread.join();
    }
}

} // namespace orvel::sim
