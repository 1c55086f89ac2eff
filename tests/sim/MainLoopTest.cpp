// The main loop: jobs in order on the loop's thread, synchronous hops from other threads, and
// quitting.
#include "SimTestSupport.hpp"

#include "platform/sim/SimMainLoop.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

namespace orvel::sim::testing {
namespace {

TEST(SimMainLoop, JobsRunInOrderOnTheLoopsThreadOnly) {
    SimMainLoop loop;
    EXPECT_FALSE(loop.isMainThread());
    std::mutex mutex;
    std::vector<int> order;
    std::atomic<bool> alwaysMain{true};
    for (int index = 0; index < 50; ++index) {
        loop.post([&, index] {
            alwaysMain = alwaysMain && loop.isMainThread();
            std::lock_guard lock(mutex);
            order.push_back(index);
        });
    }
    {
        MainLoopThread thread(loop);
        EXPECT_FALSE(loop.isMainThread());
        EXPECT_EQ(loop.runSync([&] { return loop.isMainThread() ? 42 : 0; }), 42);
    }
    EXPECT_FALSE(loop.isMainThread());
    EXPECT_TRUE(alwaysMain);
    std::lock_guard lock(mutex);
    ASSERT_EQ(order.size(), 50u);
    for (int index = 0; index < 50; ++index) {
        EXPECT_EQ(order[index], index);
    }
}

TEST(SimMainLoop, ManyThreadsHopOntoTheLoopAtOnce) {
    SimMainLoop loop;
    MainLoopThread thread(loop);
    std::atomic<int> total{0};
    std::vector<std::thread> callers;
    for (int caller = 0; caller < 4; ++caller) {
        callers.emplace_back([&] {
            for (int index = 0; index < 50; ++index) {
                total += loop.runSync([&] { return loop.isMainThread() ? 1 : 1000; });
            }
        });
    }
    for (auto& caller : callers) {
        caller.join();
    }
    EXPECT_EQ(total.load(), 200);
}

TEST(SimMainLoop, AQuitBeforeTheLoopRunsEndsItAtOnce) {
    SimMainLoop loop;
    loop.quit();
    const auto start = SteadyClock::now();
    std::thread runner([&] { loop.runForever(); });
    runner.join();
    EXPECT_LT(secondsSince(start), 0.5);
}

} // namespace
} // namespace orvel::sim::testing
