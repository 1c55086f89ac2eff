// Running applications, activation modes, opening addresses and name comparison.
#include "SimTestSupport.hpp"

#include <gtest/gtest.h>

namespace orvel::sim::testing {
namespace {

const char* const apps = R"({
  "apps": [
    {"pid": 501, "bundleId": "com.example.notes", "name": "Notes", "launchedAt": 1765000000.4},
    {"pid": 502, "name": "Slow", "activation": "slow", "activationDelay": 0.08},
    {"pid": 503, "name": "Deaf", "activation": "ignore"},
    {"pid": 504, "name": "Stubborn", "activation": "refuse"},
    {"pid": 505, "name": "Hidden", "hidden": true, "policy": "accessory"},
    {"pid": 506, "policy": "prohibited"}
  ],
  "windows": [
    {"windowId": 1, "pid": 501, "frame": {"x": 0, "y": 0, "width": 100, "height": 100}},
    {"windowId": 5, "pid": 505, "frame": {"x": 0, "y": 0, "width": 100, "height": 100}}
  ]})";

TEST(Workspace, RunningApplicationsCarryTheirFacts) {
    auto desktop = loadDesktop(apps);
    auto& workspace = desktop->platform().workspace;
    const auto running = workspace.runningApplications();
    ASSERT_EQ(running.size(), 6u);
    EXPECT_EQ(running[0].processIdentifier, 501);
    EXPECT_EQ(running[0].bundleIdentifier, "com.example.notes");
    EXPECT_EQ(running[0].localizedName, "Notes");
    EXPECT_EQ(running[0].launchDate, 1765000000.4);
    EXPECT_TRUE(running[0].isActive);
    EXPECT_FALSE(running[1].bundleIdentifier);
    EXPECT_FALSE(running[1].launchDate);
    EXPECT_FALSE(running[1].isActive);
    EXPECT_TRUE(running[4].isHidden);
    EXPECT_EQ(running[4].activationPolicy, platform::ActivationPolicy::accessory);
    EXPECT_EQ(running[5].activationPolicy, platform::ActivationPolicy::prohibited);
    EXPECT_FALSE(running[5].localizedName);

    EXPECT_EQ(workspace.frontmostApplication()->processIdentifier, 501);
    EXPECT_EQ(workspace.runningApplication(505)->localizedName, "Hidden");
    EXPECT_FALSE(workspace.runningApplication(999));
}

TEST(Workspace, ActivationFollowsEachAppsMode) {
    auto desktop = loadDesktop(apps);
    auto& workspace = desktop->platform().workspace;

    EXPECT_FALSE(workspace.activate(504, 0));
    EXPECT_FALSE(workspace.activate(999, 0));
    EXPECT_TRUE(workspace.activate(503, 0));
    EXPECT_EQ(desktop->frontmostPid(), 501);

    const auto start = SteadyClock::now();
    EXPECT_TRUE(workspace.activate(502, 0));
    EXPECT_EQ(desktop->frontmostPid(), 501);
    EXPECT_TRUE(eventually([&] { return desktop->frontmostPid() == 502; }));
    EXPECT_GE(secondsSince(start), 0.07);
    EXPECT_TRUE(workspace.runningApplication(502)->isActive);
    EXPECT_FALSE(workspace.runningApplication(501)->isActive);

    // Accepted at once; a hidden app shows itself and its windows come forward.
    EXPECT_TRUE(workspace.activate(505, 0));
    EXPECT_EQ(desktop->frontmostPid(), 505);
    EXPECT_FALSE(workspace.runningApplication(505)->isHidden);
    EXPECT_EQ(desktop->windowOrder(), (std::vector<std::uint32_t>{5, 1}));

    // The app that ignores activation never comes forward.
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(desktop->frontmostPid(), 505);
}

TEST(Workspace, ASlowActivationOfAnAppThatQuitsInTheMeantimeChangesNothing) {
    auto desktop = loadDesktop(apps);
    EXPECT_TRUE(desktop->platform().workspace.activate(502, 0));
    desktop->apply({{"quit", 502}});
    std::this_thread::sleep_for(120ms);
    EXPECT_EQ(desktop->frontmostPid(), 501);
}

TEST(Workspace, OpeningAnAddressAlwaysSucceedsAndIsLogged) {
    auto desktop = loadDesktop(apps);
    const std::string url =
        "x-apple.systempreferences:com.apple.preference.security?Privacy_ScreenCapture";
    EXPECT_TRUE(desktop->platform().workspace.openURL(url));
    const auto log = desktop->eventLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0]["kind"], "openURL");
    EXPECT_EQ(log[0]["source"], "program");
    EXPECT_EQ(log[0]["text"], url);
    EXPECT_FALSE(log[0].contains("userData"));
}

TEST(Workspace, NamesCompareWithoutCase) {
    auto desktop = loadDesktop("{}");
    auto& workspace = desktop->platform().workspace;
    EXPECT_LT(workspace.localizedCaseInsensitiveCompare("apple", "Zebra"), 0);
    EXPECT_GT(workspace.localizedCaseInsensitiveCompare("Zebra", "apple"), 0);
    EXPECT_EQ(workspace.localizedCaseInsensitiveCompare("Notater", "notater"), 0);
    EXPECT_EQ(workspace.localizedCaseInsensitiveCompare("ÆRE", "ære"), 0);
    // Canonically equivalent spellings compare equal.
    EXPECT_EQ(workspace.localizedCaseInsensitiveCompare("Caf\u00e9", "cafe\u0301"), 0);
}

} // namespace
} // namespace orvel::sim::testing
