// What the engine relies on from the main loop: jobs from any thread run on the loop's thread,
// one at a time in the order posted, and a synchronous hop waits for its job's result.
#include "contract/ContractDesktops.hpp"

#include <atomic>
#include <thread>
#include <vector>

namespace orvel::contract {
namespace {

class MainLoopContract : public ContractTest {};

TEST_P(MainLoopContract, RunSyncRunsTheJobOnTheLoopAndReturnsItsResult) {
    auto& loop = platform().mainLoop;
    EXPECT_FALSE(loop.isMainThread());
    EXPECT_TRUE(loop.runSync([&loop] { return loop.isMainThread(); }));
    EXPECT_EQ(loop.runSync([] { return 41 + 1; }), 42);
}

TEST_P(MainLoopContract, JobsPostedFromSeveralThreadsAllRunInEachThreadsOrder) {
    auto& loop = platform().mainLoop;
    constexpr int threads = 4;
    constexpr int jobsPerThread = 200;
    // Touched only by jobs, which run one at a time on the loop.
    std::vector<std::vector<int>> seen(threads);
    std::vector<std::thread> posters;
    for (int thread = 0; thread < threads; ++thread) {
        posters.emplace_back([&loop, &seen, thread] {
            for (int job = 0; job < jobsPerThread; ++job) {
                loop.post([&seen, thread, job] { seen[thread].push_back(job); });
            }
        });
    }
    for (auto& poster : posters) {
        poster.join();
    }
    // Every job above was posted before this one.
    loop.runSync([] {});
    for (const auto& jobs : seen) {
        ASSERT_EQ(jobs.size(), static_cast<std::size_t>(jobsPerThread));
        EXPECT_TRUE(std::is_sorted(jobs.begin(), jobs.end()));
    }
}

ORVEL_CONTRACT_SUITE(MainLoopContract);

} // namespace
} // namespace orvel::contract
