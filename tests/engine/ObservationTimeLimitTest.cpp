// An observation ends when it must: within its 8-second deadline however slow the app, and
// within one read of being cancelled or stopped, window resolution included.
#include "platform/profiles/MacProfile.hpp"
#include "support/EngineHarness.hpp"

#include <gtest/gtest.h>

namespace orvel::testing {
namespace {

using namespace std::chrono_literals;
using LimitClock = std::chrono::steady_clock;

const Json timeoutFailure{{"code", "timeout"},
                          {"message", "Arbeidet mot appen tok for lang tid og ble avbrutt."}};

Json observeSlowWindow(const std::string& id) {
    return {{"id", id}, {"op", "observe"}, {"pid", 501}, {"windowId", 101}};
}

// One app whose window has one child; the latencies are seconds per message.
std::string slowScenario(double appLatency, double windowLatency, double childLatency) {
    Json frame{{"x", 0}, {"y", 40}, {"width", 600}, {"height", 400}};
    Json child{{"id", "stuck"}, {"role", "AXButton"}, {"latency", childLatency}};
    return Json{{"apps", {{{"pid", 501}, {"name", "Slow"}, {"latency", appLatency}}}},
                {"windows",
                 {{{"windowId", 101},
                   {"pid", 501},
                   {"frame", frame},
                   {"tree",
                    {{"id", "w"},
                     {"role", "AXWindow"},
                     {"frame", frame},
                     {"latency", windowLatency},
                     {"children", {child}}}}}}}}
        .dump();
}

double elapsedSince(LimitClock::time_point start) {
    return std::chrono::duration<double>(LimitClock::now() - start).count();
}

TEST(ObservationTimeLimit, AnAppWhoseEveryMessageIsSlowTimesOutWithinTheDeadline) {
    // Every message, the window list included, takes 1.4 s: just under the messaging time-out,
    // so each one succeeds and only the deadline can end the observation, during resolution
    // reads as much as during the traversal.
    EngineHarness harness(slowScenario(1.4, 0, 0));
    auto started = LimitClock::now();
    harness.acceptLine(observeSlowWindow("slow").dump());
    auto response = harness.out().waitForId("slow", 15s);
    ASSERT_TRUE(response);
    EXPECT_EQ(errorOf(*response), timeoutFailure);
    EXPECT_GE(elapsedSince(started), 7.9);
    EXPECT_LT(elapsedSince(started), 8.5);
}

TEST(ObservationTimeLimit, AnElementWhoseReadsAllTimeOutCannotOutlastTheDeadline) {
    // Each read of the child gives up after 1.5 s and a dozen reads describe it: the deadline
    // is checked between them, and the last read waits only for the time that is left.
    EngineHarness harness(slowScenario(0, 0, 5));
    auto started = LimitClock::now();
    harness.acceptLine(observeSlowWindow("slow").dump());
    auto response = harness.out().waitForId("slow", 25s);
    ASSERT_TRUE(response);
    EXPECT_EQ(errorOf(*response), timeoutFailure);
    EXPECT_GE(elapsedSince(started), 7.9);
    EXPECT_LT(elapsedSince(started), 8.5);
}

TEST(ObservationTimeLimit, NoReadWaitsLongerThanTheTimeLeft) {
    // The window's position does not answer within the messaging time-out; with half a second
    // left, the read gives up after that half second.
    EngineHarness harness(slowScenario(0, 5, 0));
    auto& engine = harness.engine();
    auto window = engine.liveWindow(501, 101);
    auto ticket = engine.ledger().admit("short", false, "f").ticket;
    auto started = LimitClock::now();
    try {
        engine.accessibility().observe(501, "", window, 8, 250, "obs-x",
                                       engine.deadline(ticket, 0.5));
        ADD_FAILURE() << "the observation did not time out";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.code, "timeout");
    }
    EXPECT_GE(elapsedSince(started), 0.45);
    EXPECT_LT(elapsedSince(started), 0.8);
}

TEST(ObservationTimeLimit, ACancelOrAStopEndsTheObservationWithinOneRead) {
    EngineHarness harness(slowScenario(0, 0, 5));
    for (const std::string op : {"cancel", "stop"}) {
        const std::string id = "slow-" + op;
        harness.acceptLine(observeSlowWindow(id).dump());
        // The child's reads are under way: each gives up only after 1.5 s.
        std::this_thread::sleep_for(800ms);
        auto asked = LimitClock::now();
        auto answer = harness.request({{"id", op}, {"op", op}, {"target", id}}, 1s);
        EXPECT_EQ(answer["ok"], true) << answer.dump();
        auto response = harness.out().waitForId(id, 5s);
        ASSERT_TRUE(response) << op;
        EXPECT_EQ(response->value("ok", true), false) << response->dump();
        EXPECT_LT(elapsedSince(asked), 1.7) << op << " ends the observation at its next read";
        EXPECT_TRUE(harness.request({{"id", "h-" + op}, {"op", "health"}})["result"]["observation"]
                        .is_null());
        harness.request({{"id", "r-" + op}, {"op", "resume"}});
    }
}

} // namespace
} // namespace orvel::testing
