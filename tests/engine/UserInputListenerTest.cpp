// The takeover listener on the simulated desktop's event tap.
#include "support/EngineHarness.hpp"

#include <gtest/gtest.h>

#include <atomic>

namespace orvel::testing {
namespace {

using namespace std::chrono_literals;

// Tap deliveries are jobs on the main loop; a job queued after them runs after them.
void waitForDeliveries(EngineHarness& harness) {
    harness.desktop().platform().mainLoop.runSync([] {});
}

void postOwnEvent(EngineHarness& harness) {
    auto& input = harness.engine().input();
    auto event = input.events().createMouseEvent(input.source(), platform::eventtype::mouseMoved,
                                                 Point{10, 10}, 0);
    ASSERT_TRUE(event);
    input.events().post(*event, platform::eventtap::hidLocation);
}

TEST(UserInputListener, TheProgramsOwnEventsChangeNothingEvenDuringAutomation) {
    EngineHarness harness;
    harness.listener().setAutomation(true);
    postOwnEvent(harness);
    waitForDeliveries(harness);
    auto status = harness.listener().currentStatus();
    EXPECT_FALSE(status.lastUserInputAt);
    EXPECT_EQ(status.takeovers, 0);
    EXPECT_TRUE(harness.listener().automation());
    EXPECT_FALSE(harness.engine().ledger().isHalted());
}

TEST(UserInputListener, OnlyTheFirstUserEventOfATakeoverIsReported) {
    EngineHarness harness;
    std::atomic<int> reports{0};
    harness.listener().setOnTakeover([&](const std::string& reason) {
        EXPECT_EQ(reason, "user_input");
        reports.fetch_add(1);
    });

    harness.desktop().apply({{"userInput", "scrollWheel"}});
    waitForDeliveries(harness);
    auto idle = harness.listener().currentStatus();
    ASSERT_TRUE(idle.lastUserInputAt);
    EXPECT_DOUBLE_EQ(*idle.lastUserInputAt, secondsSince1970(harness.clock().now()));
    EXPECT_EQ(idle.takeovers, 0);

    harness.listener().setAutomation(true);
    harness.clock().advance(2);
    harness.desktop().apply({{"userInput", "leftMouseDown"}});
    harness.desktop().apply({{"userInput", "leftMouseUp"}});
    waitForDeliveries(harness);
    harness.listener().settleReports();
    auto status = harness.listener().currentStatus();
    EXPECT_EQ(status.takeovers, 1);
    EXPECT_EQ(reports.load(), 1);
    EXPECT_FALSE(harness.listener().automation());
    EXPECT_DOUBLE_EQ(*status.lastUserInputAt, secondsSince1970(harness.clock().now()));
}

TEST(UserInputListener, ATakeoverIsRememberedUntilTheNextAutomationStarts) {
    EngineHarness harness;
    auto& listener = harness.listener();
    listener.setOnTakeover(nullptr);
    harness.desktop().apply({{"userInput", "keyDown"}});
    waitForDeliveries(harness);
    EXPECT_FALSE(listener.takenOver()) << "a user event outside automation is no takeover";

    listener.setAutomation(true);
    postOwnEvent(harness);
    waitForDeliveries(harness);
    EXPECT_FALSE(listener.takenOver());
    harness.desktop().apply({{"userInput", "mouseMoved"}});
    waitForDeliveries(harness);
    EXPECT_TRUE(listener.takenOver());
    EXPECT_FALSE(listener.automation());

    // Ending the automation (as the halt and the end of the action do) keeps the verdict.
    listener.setAutomation(false);
    EXPECT_TRUE(listener.takenOver());
    listener.setAutomation(true);
    EXPECT_FALSE(listener.takenOver());
}

TEST(UserInputListener, ADisabledTapIsReenabledAndSaysWhy) {
    EngineHarness harness;
    harness.desktop().apply({{"tapDisabled", "timeout"}});
    waitForDeliveries(harness);
    auto status = harness.listener().currentStatus();
    EXPECT_TRUE(status.active);
    EXPECT_EQ(status.reason, "re_enabled_after_timeout");

    harness.desktop().apply({{"tapDisabled", "user_input"}});
    waitForDeliveries(harness);
    EXPECT_EQ(harness.listener().currentStatus().reason, "re_enabled_after_user_input");
}

TEST(UserInputListener, StartingOffTheMainLoopIsRefusedUntilATapIsInstalled) {
    EngineHarness harness(minimalScenario(), HarnessOptions::withoutListener());
    harness.listener().start();
    auto refused = harness.listener().currentStatus();
    EXPECT_FALSE(refused.active);
    EXPECT_EQ(refused.reason, "not_main_run_loop");

    harness.desktop().platform().mainLoop.runSync([&] { harness.listener().start(); });
    EXPECT_TRUE(harness.listener().currentStatus().active);
    harness.listener().start();
    auto afterwards = harness.listener().currentStatus();
    EXPECT_TRUE(afterwards.active);
    EXPECT_FALSE(afterwards.reason);
}

TEST(UserInputListener, ATapThatCannotRunReportsTheReason) {
    struct Case {
        const char* scenario;
        const char* reason;
    };
    for (auto [scenario, reason] : {
             Case{R"({"permissions": {"inputMonitoring": false}})", "input_monitoring_denied"},
             Case{R"({"tap": "uncreatable"})", "tap_unavailable"},
             Case{R"({"tap": "unenablable"})", "tap_not_enabled"},
         }) {
        EngineHarness harness(scenario);
        auto status = harness.listener().currentStatus();
        EXPECT_EQ(status.payload(), (Json{{"active", false},
                                          {"reason", reason},
                                          {"lastUserInputAt", nullptr},
                                          {"takeovers", 0}}));
    }
}

TEST(UserInputListener, TheInterestMaskCoversTheFourteenEventTypes) {
    EXPECT_EQ(UserInputListener::interestMask(), 0xE401CFEu);
}

} // namespace
} // namespace orvel::testing
