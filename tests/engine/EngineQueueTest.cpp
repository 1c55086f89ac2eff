// The worker queue under load: control requests pass while work is stuck, the queue limit,
// cancelling waiting work and duplicates of running work.
#include "support/EngineHarness.hpp"

#include <gtest/gtest.h>

#include <future>

namespace orvel::testing {
namespace {

using namespace std::chrono_literals;

// Holds the main loop, so that work which needs it (the workspace) hangs until released.
class MainLoopBlocker {
  public:
    explicit MainLoopBlocker(platform::MainLoop& loop) {
        auto released = release_.get_future().share();
        loop.post([released] { released.wait(); });
    }
    ~MainLoopBlocker() { unblock(); }
    void unblock() {
        if (!done_) {
            done_ = true;
            release_.set_value();
        }
    }

  private:
    std::promise<void> release_;
    bool done_ = false;
};

// The worker gives no sign when it reaches the main loop; a bounded pause lets the request
// just accepted get past its first check and hang there, so a halt that follows finds it
// running rather than waiting.
void letTheWorkerReachTheMainLoop() {
    std::this_thread::sleep_for(150ms);
}

TEST(EngineQueue, ControlRequestsAreAnsweredPromptlyWhileWorkHangs) {
    EngineHarness harness;
    MainLoopBlocker blocker(harness.desktop().platform().mainLoop);
    harness.acceptLine(R"({"id":"stuck","op":"apps.list"})");
    letTheWorkerReachTheMainLoop();

    auto started = std::chrono::steady_clock::now();
    auto stop = harness.request({{"id", "s"}, {"op", "stop"}}, 1s);
    auto elapsed = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(stop["ok"], true);
    EXPECT_LT(elapsed, 50ms);

    blocker.unblock();
    auto stuck = harness.out().waitForId("stuck");
    ASSERT_TRUE(stuck);
    EXPECT_EQ(stuck->value("ok", true), true) << "a request past its last check finishes normally";
}

TEST(EngineQueue, SixteenOrdinaryRequestsFillTheQueueButControlStillPasses) {
    EngineHarness harness;
    MainLoopBlocker blocker(harness.desktop().platform().mainLoop);
    for (int i = 0; i < 16; ++i) {
        harness.acceptLine(Json{{"id", "w" + std::to_string(i)}, {"op", "apps.list"}}.dump());
    }
    for (const char* op : {"ping", "health", "permissions.status", "apps.list"}) {
        auto refused = harness.request({{"id", std::string("x-") + op}, {"op", op}}, 1s);
        EXPECT_EQ(refused["error"], (Json{{"code", "busy"},
                                          {"message", "For mange forespørsler venter allerede."},
                                          {"details", {{"limit", 16}}}}))
            << op;
    }
    auto duplicate = harness.request({{"id", "w3"}, {"op", "apps.list"}}, 1s);
    EXPECT_EQ(duplicate["error"]["code"], "duplicate_request");
    EXPECT_EQ(duplicate["error"]["message"], "Forespørselen kjører allerede.");
    auto conflict = harness.request({{"id", "w3"}, {"op", "windows.list"}}, 1s);
    EXPECT_EQ(conflict["error"]["code"], "request_conflict");

    auto cancel = harness.request({{"id", "c"}, {"op", "cancel"}, {"target", "w5"}}, 1s);
    EXPECT_EQ(cancel["result"], (Json{{"cancelled", true}, {"target", "w5"}}));
    auto release = harness.request({{"id", "rel"}, {"op", "release"}}, 1s);
    EXPECT_EQ(release["ok"], true);

    blocker.unblock();
    auto cancelled = harness.out().waitForId("w5");
    ASSERT_TRUE(cancelled);
    EXPECT_EQ((*cancelled)["error"],
              (Json{{"code", "cancelled"}, {"message", "Forespørselen ble avbrutt."}}));
    auto ran = harness.out().waitForId("w6");
    ASSERT_TRUE(ran);
    EXPECT_EQ((*ran)["ok"], true);
    EXPECT_TRUE(harness.out().waitForId("w15"));
    auto health = harness.request({{"id", "h"}, {"op", "health"}});
    EXPECT_EQ(health["result"]["queued"], 1);
}

TEST(EngineQueue, WaitingWorkIsAnsweredStoppedAfterAHaltAndRunsAgainAfterResume) {
    EngineHarness harness;
    MainLoopBlocker blocker(harness.desktop().platform().mainLoop);
    harness.acceptLine(R"({"id":"first","op":"apps.list"})");
    letTheWorkerReachTheMainLoop();
    harness.acceptLine(R"({"id":"waiting","op":"apps.list"})");
    harness.request({{"id", "s"}, {"op", "stop"}});
    harness.request({{"id", "r"}, {"op", "resume"}});
    blocker.unblock();
    auto waiting = harness.out().waitForId("waiting");
    ASSERT_TRUE(waiting);
    EXPECT_EQ((*waiting)["error"]["code"], "cancelled")
        << "admitted before the resume, so no longer wanted";
    auto fresh = harness.request({{"id", "fresh"}, {"op", "apps.list"}});
    EXPECT_EQ(fresh["ok"], true);
}

} // namespace
} // namespace orvel::testing
