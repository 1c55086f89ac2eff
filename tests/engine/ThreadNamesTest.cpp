// The engine's threads carry the names of their labels, so a process listing or a debugger
// shows which thread is which.
#include "support/EngineHarness.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>

namespace orvel::testing {
namespace {

std::multiset<std::string> threadNames() {
    std::multiset<std::string> names;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        if (std::getline(comm, name)) {
            names.insert(name);
        }
    }
    return names;
}

// How many threads bear `name`, once that many are seen or a second has passed: a thread names
// itself as it starts, which may be a moment after its owner was made.
std::size_t threadsNamed(const std::string& name, std::size_t expected) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    for (;;) {
        std::size_t count = threadNames().count(name);
        if (count >= expected || std::chrono::steady_clock::now() >= until) {
            return count;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

TEST(ThreadNames, WorkerAndWatchdogKeepTheDistinctiveEndOfTheirLabels) {
    EngineHarness harness;
    harness.engine().startWatchdog();
    EXPECT_EQ(threadsNamed("-control.worker", 1), 1u);
    EXPECT_EQ(threadsNamed("ontrol.watchdog", 1), 1u);
}

TEST(ThreadNames, AShortLabelIsKeptWhole) {
    SerialQueue queue("short");
    PeriodicTimer timer("tick", std::chrono::hours(1), [] {});
    EXPECT_EQ(threadsNamed("short", 1), 1u);
    EXPECT_EQ(threadsNamed("tick", 1), 1u);
}

} // namespace
} // namespace orvel::testing
