// Reporting and requesting permissions, and the lock state behind them.
#include "support/EngineHarness.hpp"

#include <gtest/gtest.h>

namespace orvel::testing {
namespace {

TEST(Permissions, StatusReportsEverythingThatDecidesWhatTheProgramCanDo) {
    EngineHarness harness;
    auto status = harness.request({{"id", "s"}, {"op", "permissions.status"}})["result"];
    EXPECT_EQ(
        status,
        (Json{
            {"accessibility", true},
            {"screenRecording", true},
            {"inputMonitoring", true},
            {"screenLocked", false},
            {"lock",
             {{"state", "unlocked"}, {"reason", nullptr}, {"limitation", LockPolicy::limitation}}},
            {"secureInput", false},
            {"listener",
             {{"active", true},
              {"reason", nullptr},
              {"lastUserInputAt", nullptr},
              {"takeovers", 0}}},
            {"userInputMonitoringAvailable", true},
            {"canObserve", true},
            {"canCapture", true},
            {"canSendForegroundInput", true}}));
    auto health = harness.request({{"id", "h"}, {"op", "health"}})["result"];
    EXPECT_EQ(health["permissions"], status);
}

TEST(Permissions, ALockNotificationHoldsUntilTheUnlockNotification) {
    EngineHarness harness;
    harness.desktop().apply({{"lock", true}});
    harness.desktop().platform().mainLoop.runSync([] {});
    auto status = harness.request({{"id", "s1"}, {"op", "permissions.status"}})["result"];
    EXPECT_EQ(status["screenLocked"], true);
    EXPECT_EQ(status["lock"]["reason"], "screen_locked_notification");
    try {
        harness.engine().permissions().ensureUnlocked();
        FAIL();
    } catch (const Failure& failure) {
        EXPECT_EQ(failure,
                  Failure("screen_locked",
                          "Skjermen er låst. Styringen fortsetter ikke på låst skjerm.",
                          {{"state", "locked"}, {"reason", "screen_locked_notification"}}));
    }
    harness.desktop().apply({{"lock", false}});
    harness.desktop().platform().mainLoop.runSync([] {});
    EXPECT_NO_THROW(harness.engine().permissions().ensureUnlocked());
}

TEST(Permissions, AnUnknownLockStateCountsAsLocked) {
    EngineHarness harness(R"({"session": null})");
    auto status = harness.request({{"id", "s"}, {"op", "permissions.status"}})["result"];
    EXPECT_EQ(status["screenLocked"], true);
    EXPECT_EQ(status["lock"]["state"], "unknown");
    try {
        harness.engine().permissions().ensureUnlocked();
        FAIL();
    } catch (const Failure& failure) {
        EXPECT_EQ(failure, Failure("screen_locked",
                                   "Kunne ikke avgjøre om skjermen er låst. Styringen fortsetter "
                                   "ikke uten å vite det.",
                                   {{"state", "unknown"}, {"reason", "session_unavailable"}}));
    }
}

TEST(Permissions, RequestingInputMonitoringPromptsAndRestartsTheListener) {
    EngineHarness harness(R"({"permissions": {"inputMonitoring": false}, "grantOnRequest": true})");
    EXPECT_EQ(harness.listener().currentStatus().reason, "input_monitoring_denied");
    auto result = harness.request(
        {{"id", "r"}, {"op", "permissions.request"}, {"permission", "inputMonitoring"}})["result"];
    EXPECT_EQ(result["requested"], "inputMonitoring");
    EXPECT_EQ(result["prompted"], true);
    EXPECT_EQ(result["openedSettings"], false);
    EXPECT_EQ(result["inputMonitoring"], true);
    EXPECT_EQ(result["listener"]["active"], true)
        << "the listener is started again after the request";
    EXPECT_EQ(result.size(), 14u);
}

TEST(Permissions, AGrantedPermissionIsNotRequestedButItsPaneStillOpens) {
    EngineHarness harness;
    auto result = harness.request({{"id", "r"},
                                   {"op", "permissions.request"},
                                   {"permission", "screenRecording"},
                                   {"openSettings", true}})["result"];
    EXPECT_EQ(result["prompted"], false);
    EXPECT_EQ(result["openedSettings"], true);
    bool opened = false;
    for (const auto& event : harness.desktop().eventLog()) {
        if (event["kind"] == "openURL") {
            EXPECT_EQ(
                event["text"],
                "x-apple.systempreferences:com.apple.preference.security?Privacy_ScreenCapture");
            opened = true;
        }
    }
    EXPECT_TRUE(opened);
}

TEST(Permissions, UnknownPermissionNamesAreRefused) {
    EngineHarness harness;
    int n = 0;
    for (Json name : {Json("camera"), Json("Accessibility"), Json(1), Json()}) {
        Json request{{"id", "p" + std::to_string(n++)}, {"op", "permissions.request"}};
        if (!name.is_null()) {
            request["permission"] = name;
        }
        EXPECT_EQ(harness.request(request)["error"],
                  (Json{{"code", "invalid_request"}, {"message", "Ukjent tillatelse."}}));
    }
}

TEST(Permissions, ForegroundInputDependsOnTheRunningListenerNotTheCheck) {
    EngineHarness harness;
    harness.desktop().apply({{"permissions", {{"inputMonitoring", false}}}});
    auto status = harness.request({{"id", "s1"}, {"op", "permissions.status"}})["result"];
    EXPECT_EQ(status["inputMonitoring"], false);
    EXPECT_EQ(status["canSendForegroundInput"], true);
}

} // namespace
} // namespace orvel::testing
