// Halting from every direction, the watchdog and the reader's ending.
#include "support/EngineHarness.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>
#include <thread>

namespace orvel::testing {
namespace {

using namespace std::chrono_literals;

TEST(EngineHalt, StopDuringAMutationReportsItAndSettlesLater) {
    EngineHarness harness;
    auto& ledger = harness.engine().input().ledger();
    std::promise<void> entered;
    std::promise<void> finishMutation;
    auto finishSignal = finishMutation.get_future().share();
    std::thread mutation([&] {
        ledger.runMutation([] { return true; },
                           [&] {
                               entered.set_value();
                               finishSignal.wait();
                               return 1;
                           });
    });
    entered.get_future().wait();

    auto stop = harness.request({{"id", "s"}, {"op", "stop"}});
    EXPECT_EQ(stop["result"]["mutationsRunning"], 1);
    auto stopped = harness.out().waitForEvent("stopped");
    ASSERT_TRUE(stopped);
    EXPECT_EQ((*stopped)["mutationsRunning"], 1);
    EXPECT_FALSE(harness.out().waitForEvent("input_settled", 50ms))
        << "settles only once the mutation ends";

    finishMutation.set_value();
    mutation.join();
    auto settled = harness.out().waitForEvent("input_settled");
    ASSERT_TRUE(settled);
    EXPECT_EQ(*settled, (Json{{"event", "input_settled"}, {"runningWhenStopped", 1}}));
}

TEST(EngineHalt, HeldInputWhoseReleaseCannotBeMadeStaysListedUntilAReleasePostsIt) {
    Json scenario = Json::parse(minimalScenario());
    scenario["uncreatableEvents"] = {{"leftMouseUp", 2}};
    EngineHarness harness(scenario.dump(), HarnessOptions::withWatchdog(std::chrono::minutes(10)));
    auto& ledger = harness.engine().input().ledger();
    ASSERT_TRUE(ledger.press(
        HeldInput::button(0), Point{5, 5}, [] { return true; }, [] {}));

    auto stop = harness.request({{"id", "s"}, {"op", "stop"}});
    EXPECT_EQ(stop["result"]["heldInput"]["buttons"], Json::array({0}));
    auto stopped = harness.out().waitForEvent("stopped");
    ASSERT_TRUE(stopped);
    EXPECT_EQ((*stopped)["heldInput"]["buttons"], Json::array({0})) << "said as it is";

    auto failedAgain = harness.request({{"id", "r1"}, {"op", "release"}});
    EXPECT_EQ(failedAgain["result"]["heldInput"]["buttons"], Json::array({0}));
    auto released = harness.request({{"id", "r2"}, {"op", "release"}});
    EXPECT_EQ(released["result"]["heldInput"]["buttons"], Json::array());
    EXPECT_FALSE(ledger.isHoldingAnything());
    const auto log = harness.desktop().eventLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back()["kind"], "leftMouseUp");
    EXPECT_EQ(log.back()["x"], 5);
}

TEST(EngineHalt, StopWithoutMutationsWritesNoSettledEvent) {
    EngineHarness harness;
    harness.request({{"id", "s"}, {"op", "stop"}});
    EXPECT_FALSE(harness.out().waitForEvent("input_settled", 100ms));
}

TEST(EngineHalt, RacingHaltsWriteExactlyOneStoppedEventPerTransition) {
    EngineHarness harness;
    constexpr int rounds = 40;
    for (int round = 0; round < rounds; ++round) {
        std::atomic<bool> go{false};
        auto racer = [&](const char* reason) {
            while (!go.load()) {
            }
            harness.engine().halt(reason);
        };
        std::thread a(racer, "signal");
        std::thread b(racer, "user_input");
        go = true;
        a.join();
        b.join();
        harness.engine().ledger().resume();
        harness.engine().input().ledger().resume();
    }
    int events = 0;
    for (const auto& line : harness.out().jsonLines()) {
        events += line.value("event", "") == "stopped" ? 1 : 0;
    }
    EXPECT_EQ(events, rounds);
}

TEST(EngineHalt, HaltReleasesHeldInputAndForgetsTheObservation) {
    EngineHarness harness;
    auto& ledger = harness.engine().input().ledger();
    ASSERT_TRUE(ledger.press(
        HeldInput::button(0), Point{5, 6}, [] { return true; }, [] {}));
    ASSERT_TRUE(ledger.press(
        HeldInput::key(56), std::nullopt, [] { return true; }, [] {}));
    Ticket ticket = harness.engine().ledger().admit("o", false, "f").ticket;
    auto record = [](std::string id) {
        auto made = std::make_shared<ObservationRecord>();
        made->id = std::move(id);
        return made;
    };
    ASSERT_TRUE(harness.engine().publish(record("obs-1-1"), ticket));

    harness.engine().halt("requested");
    auto stopped = harness.out().waitForEvent("stopped");
    ASSERT_TRUE(stopped);
    EXPECT_EQ((*stopped)["heldInput"], (Json{{"keys", Json::array()}, {"buttons", Json::array()}}));
    EXPECT_EQ(harness.engine().currentObservation(), nullptr);
    EXPECT_FALSE(harness.engine().publish(record("obs-2-1"), ticket))
        << "a record made for a halted request is never published";

    auto log = harness.desktop().eventLog();
    int ups = 0;
    for (const auto& event : log) {
        if (event["kind"] == "leftMouseUp") {
            EXPECT_EQ(event["x"], 5);
            EXPECT_EQ(event["y"], 6);
            ++ups;
        }
        ups += event["kind"] == "keyUp" ? 1 : 0;
    }
    EXPECT_EQ(ups, 2);
}

TEST(EngineHalt, WatchdogReleasesInputHeldLongerThanSixSeconds) {
    EngineHarness harness(minimalScenario(), HarnessOptions::withWatchdog(20ms));
    auto& ledger = harness.engine().input().ledger();
    ASSERT_TRUE(ledger.press(
        HeldInput::key(49), std::nullopt, [] { return true; }, [] {}));
    harness.engine().startWatchdog();

    harness.clock().advance(5.9);
    EXPECT_FALSE(harness.out().waitForEvent("input_released", 150ms))
        << "5.9 seconds is not too long yet";
    EXPECT_TRUE(ledger.isHoldingAnything());

    harness.clock().advance(0.2);
    auto released = harness.out().waitForEvent("input_released");
    ASSERT_TRUE(released);
    EXPECT_EQ(*released, (Json{{"event", "input_released"}, {"reason", "watchdog"}}));
    EXPECT_FALSE(ledger.isHoldingAnything());
    std::this_thread::sleep_for(100ms);
    int events = 0;
    for (const auto& line : harness.out().jsonLines()) {
        events += line.value("event", "") == "input_released" ? 1 : 0;
    }
    EXPECT_EQ(events, 1) << "ticks that release nothing write nothing";
    EXPECT_EQ(harness.exitCalls(), 0) << "the test runner is a live parent";
}

TEST(EngineHalt, UserInputDuringAutomationHaltsWithUserInput) {
    EngineHarness harness;
    ASSERT_TRUE(harness.listener().currentStatus().active);
    harness.desktop().apply({{"userInput", "mouseMoved"}});
    EXPECT_FALSE(harness.out().waitForEvent("stopped", 100ms)) << "idle user input halts nothing";

    harness.listener().setAutomation(true);
    harness.desktop().apply({{"userInput", "keyDown"}});
    auto stopped = harness.out().waitForEvent("stopped");
    ASSERT_TRUE(stopped);
    EXPECT_EQ((*stopped)["reason"], "user_input");
    EXPECT_TRUE(harness.engine().ledger().isHalted());
    EXPECT_FALSE(harness.listener().automation());
    EXPECT_EQ(harness.listener().currentStatus().takeovers, 1);
}

TEST(EngineHalt, ReaderAnswersAnOverlongLineAndEndsWithTheEndOfInput) {
    EngineHarness harness;
    std::string input(1048577, 'x');
    input += "\n{\"id\":\"after\",\"op\":\"ping\"}\n{\"id\":\"partial\",\"op\":\"ping\"}";
    std::size_t offset = 0;
    harness.runReader([&](char* buffer, std::size_t size) {
        std::size_t count = std::min(size, input.size() - offset);
        std::copy_n(input.data() + offset, count, buffer);
        offset += count;
        return count;
    });
    auto lines = harness.out().jsonLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(
        lines[0],
        (Json{{"id", ""},
              {"ok", false},
              {"error", {{"code", "too_large"}, {"message", "Forespørselen var for stor."}}}}));
    EXPECT_EQ(lines[1]["id"], "after");
    EXPECT_EQ(lines[2]["event"], "stopped");
    EXPECT_EQ(lines[2]["reason"], "eof");
    EXPECT_EQ(lines.size(), 3u) << "the unterminated last line is never answered";
    EXPECT_EQ(harness.exitCalls(), 1);
}

TEST(EngineHalt, ReaderStopsAtShutdownAndLeavesLaterLinesUnanswered) {
    EngineHarness harness;
    std::string input = "{\"id\":\"bye\",\"op\":\"shutdown\"}\n{\"id\":\"late\",\"op\":\"ping\"}\n";
    bool served = false;
    harness.runReader([&](char* buffer, std::size_t size) -> std::size_t {
        if (served) {
            ADD_FAILURE() << "read again after shutdown";
            return 0;
        }
        served = true;
        std::size_t count = std::min(size, input.size());
        std::copy_n(input.data(), count, buffer);
        return count;
    });
    EXPECT_FALSE(harness.out().waitForId("late", 50ms));
    EXPECT_TRUE(harness.out().waitForId("bye", 50ms));
    EXPECT_EQ(harness.exitCalls(), 1);
}

TEST(EngineHalt, EngineDeadlinesReportCancelledOnceTheRequestIsNoLongerWanted) {
    EngineHarness harness;
    auto& ledger = harness.engine().ledger();
    Ticket ticket = ledger.admit("d", false, "f").ticket;
    auto deadline = harness.engine().deadline(ticket, 8.0);
    EXPECT_NO_THROW(deadline.check());
    ledger.cancel("d");
    try {
        deadline.check();
        FAIL() << "a cancelled request's deadline must throw";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.code, "cancelled");
        EXPECT_EQ(failure.message, "Forespørselen ble avbrutt.");
    }
}

} // namespace
} // namespace orvel::testing
