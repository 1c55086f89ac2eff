// Listing applications and windows, and the live checks of an app and a window, on a
// simulated desktop that includes hostile window dictionaries.
#include "support/EngineHarness.hpp"

#include <gtest/gtest.h>

namespace orvel::testing {
namespace {

const char* const targetsScenario = R"({
  "apps": [
    {"pid": 501, "bundleId": "com.example.alpha", "name": "alpha", "launchedAt": 1765000000.4},
    {"pid": 502, "bundleId": "com.example.zebra", "name": "Zebra", "launchedAt": 1765000100},
    {"pid": 503, "name": "beta", "hidden": true},
    {"pid": 504, "bundleId": "com.example.beta", "name": "BETA", "launchedAt": 1765000200},
    {"pid": 505, "bundleId": "com.apple.Terminal", "name": "Terminal", "launchedAt": 1765000300},
    {"pid": 506, "bundleId": "com.example.helper", "name": "Helper", "policy": "prohibited"},
    {"pid": 507, "bundleId": "com.example.menu", "name": "Menu Extra", "policy": "accessory"},
    {"pid": "self", "bundleId": "com.example.self", "name": "Self"}
  ],
  "frontmost": 502,
  "windows": [
    {"windowId": 300, "pid": "self", "frame": {"x": 0, "y": 0, "width": 1512, "height": 982}},
    {"windowId": 301, "pid": 502, "frame": {"x": 0, "y": 0, "width": 0, "height": 982}},
    {"windowId": 201, "pid": 501, "title": "Narrow", "frame": {"x": 100, "y": 100, "width": 59, "height": 200}},
    {"windowId": 202, "pid": 501, "title": "Square", "frame": {"x": 100, "y": 100, "width": 60, "height": 60}},
    {"windowId": 203, "pid": 501, "title": "Panel", "layer": 3, "frame": {"x": 700, "y": 500, "width": 300, "height": 300}},
    {"windowId": 204, "pid": 501, "title": "Minimised", "onScreen": false, "frame": {"x": 0, "y": 0, "width": 400, "height": 300}},
    {"windowId": 205, "pid": 502, "frame": {"x": 0, "y": 0, "width": 100, "height": 100}, "raw": {"kCGWindowOwnerPID": "502"}},
    {"windowId": 206, "pid": 502, "frame": {"x": 0, "y": 0, "width": 100, "height": 100}, "raw": {"kCGWindowOwnerPID": 1099511627776}},
    {"windowId": 207, "pid": 502, "frame": {"x": 0, "y": 0, "width": 100, "height": 100}, "raw": {"kCGWindowNumber": -5}},
    {"windowId": 208, "pid": 502, "frame": {"x": 0, "y": 0, "width": 100, "height": 100}, "raw": {"kCGWindowBounds": {"X": 0, "Y": 0, "Width": 10}}},
    {"windowId": 209, "pid": 502, "frame": {"x": 0, "y": 0, "width": 100, "height": 100}, "raw": {"kCGWindowBounds": {"X": "NaN", "Y": 0, "Width": 10, "Height": 10}}},
    {"windowId": 212, "pid": 502, "frame": {"x": 0, "y": 0, "width": 100, "height": 100}, "raw": {"kCGWindowOwnerPID": true}},
    {"windowId": 213, "pid": 502, "frame": {"x": 0, "y": 0, "width": 100, "height": 100}, "raw": {"kCGWindowNumber": null}},
    {"windowId": 210, "pid": 502, "title": "Main", "frame": {"x": 200, "y": 150, "width": 500, "height": 400}, "raw": {"kCGWindowLayer": "7"}},
    {"windowId": 211, "pid": 502, "frame": {"x": 10.5, "y": -2.5, "width": 100.49, "height": 300}, "raw": {"kCGWindowOwnerPID": 502.0, "kCGWindowName": 12}}
  ]
})";

TEST(Targets, AppsAreSortedByNameIgnoringCaseAndCountTheirEligibleWindows) {
    EngineHarness harness(targetsScenario);
    auto apps = harness.request({{"id", "a"}, {"op", "apps.list"}})["result"]["apps"];
    std::vector<std::string> names;
    for (const auto& app : apps) {
        names.push_back(app["name"]);
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"alpha", "beta", "BETA", "Self", "Terminal", "Zebra"}))
        << "regular apps only, stable for names equal but for case";
    EXPECT_EQ(apps[0], (Json{{"pid", 501},
                             {"bundleId", "com.example.alpha"},
                             {"name", "alpha"},
                             {"active", false},
                             {"hidden", false},
                             {"launchedAt", 1765000000},
                             {"windows", 1},
                             {"allowed", true},
                             {"denialReason", nullptr}}));
    EXPECT_EQ(apps[1]["bundleId"], "");
    EXPECT_EQ(apps[1]["launchedAt"], 0);
    EXPECT_EQ(apps[1]["hidden"], true) << "hidden apps stay in the list";
    EXPECT_EQ(apps[5]["windows"], 2);
    EXPECT_EQ(apps[5]["active"], true);
    EXPECT_EQ(apps[4]["allowed"], false);
    EXPECT_EQ(apps[4]["denialReason"],
              "Denne appen er utenfor rekkevidde for Mac-styring: com.apple.Terminal.");
    EXPECT_EQ(apps[3]["denialReason"], "Orvel Rire kan ikke styre sin egen kontrollflate.");
}

TEST(Targets, AppsAreSortedAsTheLanguageSortsThemAndStableForEqualNames) {
    EngineHarness harness(R"({"apps": [
      {"pid": 501, "name": "Zeta"}, {"pid": 502, "name": "\u00E9clair"},
      {"pid": 503, "name": "apple"}, {"pid": 504, "name": "\u00C9clair"},
      {"pid": 505, "name": "Eclair"}]})");
    auto apps = harness.request({{"id", "a"}, {"op", "apps.list"}})["result"]["apps"];
    std::vector<int> pids;
    for (const auto& app : apps) {
        pids.push_back(app["pid"]);
    }
    EXPECT_EQ(pids, (std::vector<int>{503, 505, 502, 504, 501}))
        << "accented letters sort with their base letter, before Z; names equal but for case "
           "keep the workspace's order";
}

TEST(Targets, HostileWindowDictionariesAreSkippedAndTheRestRead) {
    EngineHarness harness(targetsScenario);
    auto windows = harness.engine().targets().windows(502, false);
    ASSERT_EQ(windows.size(), 3u);
    EXPECT_EQ(windows[0].windowId, 301u);
    EXPECT_EQ(windows[1].windowId, 210u);
    EXPECT_EQ(windows[1].layer, 0) << "a layer that is not a number reads as 0";
    EXPECT_EQ(windows[2].windowId, 211u);
    EXPECT_EQ(windows[2].title, "") << "a name that is not a string reads as empty";

    auto listed = harness.request({{"id", "w"}, {"op", "windows.list"}, {"pid", 502}})["result"];
    ASSERT_EQ(listed["windows"].size(), 3u);
    EXPECT_EQ(listed["windows"][2],
              (Json{{"windowId", 211},
                    {"pid", 502},
                    {"title", ""},
                    {"frame", {{"x", 11}, {"y", -3}, {"width", 100}, {"height", 300}}},
                    {"onScreen", true},
                    {"eligible", true}}));
    EXPECT_EQ(listed["app"]["windows"], 0);
}

TEST(Targets, WindowsListMarksEligibilityAndLeavesOffScreenWindowsOut) {
    EngineHarness harness(targetsScenario);
    auto listed = harness.request(
        {{"id", "w"}, {"op", "windows.list"}, {"pid", 501}, {"bundleId", ""}})["result"];
    std::vector<std::pair<int, bool>> seen;
    for (const auto& window : listed["windows"]) {
        seen.emplace_back(window["windowId"], window["eligible"]);
    }
    EXPECT_EQ(seen, (std::vector<std::pair<int, bool>>{{201, false}, {202, true}, {203, false}}));
    EXPECT_EQ(harness.engine().liveWindow(501, 204).title, "Minimised")
        << "a minimised window is still live";
}

TEST(Targets, WindowsListRefusesPidsOutsideTheirRange) {
    EngineHarness harness(targetsScenario);
    int n = 0;
    for (Json pid :
         {Json(0), Json(-5), Json(2147483648LL), Json(1.5), Json("501"), Json(true), Json()}) {
        Json request{{"id", "p" + std::to_string(n++)}, {"op", "windows.list"}};
        if (!pid.is_null()) {
            request["pid"] = pid;
        }
        EXPECT_EQ(errorOf(harness.request(request)),
                  (Json{{"code", "invalid_request"}, {"message", "Mangler gyldig pid."}}))
            << pid.dump();
    }
}

TEST(Targets, LiveAppRefusesVanishedForeignRestartedAndDeniedApps) {
    EngineHarness harness(targetsScenario);
    auto failureOf = [&](std::int32_t pid, std::optional<std::string> bundle,
                         std::optional<double> launchedAt) {
        try {
            harness.engine().liveApp(pid, bundle, launchedAt);
        } catch (const Failure& failure) {
            return failure;
        }
        return Failure("none", "");
    };
    EXPECT_EQ(failureOf(999, {}, {}),
              Failure("target_missing", "Appen kjører ikke lenger.", {{"pid", 999}}));
    EXPECT_EQ(failureOf(501, "com.example.other", {}),
              Failure("target_missing",
                      "Prosessen tilhører en annen app enn den økten er bundet til.",
                      {{"expected", "com.example.other"}, {"actual", "com.example.alpha"}}));
    EXPECT_EQ(failureOf(501, "com.example.alpha", 1765000001).code, "none")
        << "1 second apart passes";
    EXPECT_EQ(failureOf(501, {}, 1765000001.5),
              Failure("target_missing", "Appen er startet på nytt siden økten ble opprettet.",
                      {{"expected", 1765000001.5}, {"actual", 1765000000.0}}));
    EXPECT_EQ(failureOf(501, {}, 0).code, "none") << "a launch time of 0 is not checked";
    EXPECT_EQ(failureOf(503, {}, 1765000000).message,
              "Appen er startet på nytt siden økten ble opprettet.")
        << "an app without launch date cannot match a requested one";
    EXPECT_EQ(failureOf(505, {}, {}),
              Failure("denied_target",
                      "Denne appen er utenfor rekkevidde for Mac-styring: com.apple.Terminal.",
                      {{"bundleId", "com.apple.Terminal"}}));
    EXPECT_EQ(failureOf(506, {}, {}).code, "none") << "a background process is found by pid";

    auto response = harness.request({{"id", "t"}, {"op", "windows.list"}, {"pid", 505}});
    EXPECT_EQ(errorOf(response)["code"], "denied_target");
    try {
        harness.engine().liveWindow(501, 777);
        FAIL();
    } catch (const Failure& failure) {
        EXPECT_EQ(failure, Failure("target_missing", "Vinduet er lukket eller ikke tilgjengelig.",
                                   {{"windowId", 777}}));
    }
}

TEST(Targets, TopmostWindowSkipsOwnAndEmptyWindowsAndExcludesFarEdges) {
    EngineHarness harness(targetsScenario);
    auto& targets = harness.engine().targets();
    auto hit = targets.topmostWindow(Point{130, 130});
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->windowId, 201u)
        << "the program's own full-screen window and the zero-width one are skipped";
    EXPECT_EQ(targets.topmostWindow(Point{800, 600})->windowId, 203u) << "no layer filter";
    EXPECT_EQ(targets.topmostWindow(Point{159, 130})->windowId, 202u)
        << "x 159 is outside the 59-wide window";
    EXPECT_FALSE(targets.topmostWindow(Point{1000, 800}))
        << "the right and bottom edges are outside";
    EXPECT_FALSE(targets.topmostWindow(Point{1400, 900}));
}

} // namespace
} // namespace orvel::testing
