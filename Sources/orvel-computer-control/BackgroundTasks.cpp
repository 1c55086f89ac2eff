#include "BackgroundTasks.hpp"

namespace orvel {

BackgroundTasks::~BackgroundTasks() {
    joinAll();
}

void BackgroundTasks::joinAll() {
    std::vector<Task> tasks;
    {
        std::lock_guard guard(lock_);
        tasks.swap(tasks_);
    }
    for (auto& task : tasks) {
        task.thread.join();
    }
}

void BackgroundTasks::run(std::function<void()> job) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::lock_guard guard(lock_);
    joinFinished();
    tasks_.push_back(Task{done, std::thread([job = std::move(job), done] {
                              job();
                              done->store(true);
                          })});
}

// Finished threads are joined as new ones start, so a long-running process keeps only the
// threads of jobs that may still be running.
void BackgroundTasks::joinFinished() {
    std::erase_if(tasks_, [](Task& task) {
        if (!task.done->load()) {
            return false;
        }
        task.thread.join();
        return true;
    });
}

} // namespace orvel
