// The window list as dictionaries, names withheld without Screen Recording, raw overrides for
// malformed input, and the login session's dictionary.
#include "SimTestSupport.hpp"

#include "platform/WindowServer.hpp"

#include <gtest/gtest.h>

namespace orvel::sim::testing {
namespace {

constexpr std::uint32_t allWindows = platform::windowlist::excludeDesktopElements;
constexpr std::uint32_t onScreenWindows = allWindows | platform::windowlist::onScreenOnly;

const char* const twoApps = R"({
  "apps": [{"pid": 501, "name": "Notes"}, {"pid": 502, "name": "Hidden", "hidden": true}],
  "windows": [
    {"windowId": 101, "pid": 501, "title": "Front", "layer": 0, "frame": {"x": 100, "y": 80.5, "width": 800, "height": 600}},
    {"windowId": 102, "pid": 501, "title": "Minimised", "onScreen": false, "frame": {"x": 0, "y": 0, "width": 10, "height": 10}},
    {"windowId": 201, "pid": 502, "title": "Of a hidden app", "frame": {"x": 0, "y": 0, "width": 10, "height": 10}}
  ]})";

std::vector<std::uint32_t> numbersOf(const Json& list) {
    std::vector<std::uint32_t> numbers;
    for (const auto& window : list) {
        numbers.push_back(window["kCGWindowNumber"].get<std::uint32_t>());
    }
    return numbers;
}

TEST(WindowServer, DictionariesCarryThePlatformKeysAndTypes) {
    auto desktop = loadDesktop(twoApps);
    auto& server = desktop->platform().windowServer;
    auto all = server.copyWindowInfo(allWindows, platform::windowlist::nullWindow);
    ASSERT_TRUE(all && all->is_array());
    EXPECT_EQ(numbersOf(*all), (std::vector<std::uint32_t>{101, 102, 201}));

    const Json expectedFront{
        {"kCGWindowOwnerPID", 501},
        {"kCGWindowNumber", 101},
        {"kCGWindowBounds", {{"X", 100.0}, {"Y", 80.5}, {"Width", 800.0}, {"Height", 600.0}}},
        {"kCGWindowName", "Front"},
        {"kCGWindowLayer", 0},
        {"kCGWindowIsOnscreen", true}};
    EXPECT_EQ((*all)[0], expectedFront);
    EXPECT_TRUE((*all)[0]["kCGWindowOwnerPID"].is_number_integer());
    EXPECT_TRUE((*all)[0]["kCGWindowIsOnscreen"].is_boolean());
    // Off screen, minimised or hidden with its app, a window carries no on-screen key at all.
    EXPECT_FALSE((*all)[1].contains("kCGWindowIsOnscreen"));
    EXPECT_FALSE((*all)[2].contains("kCGWindowIsOnscreen"));

    auto onScreen = server.copyWindowInfo(onScreenWindows, platform::windowlist::nullWindow);
    ASSERT_TRUE(onScreen);
    EXPECT_EQ(numbersOf(*onScreen), (std::vector<std::uint32_t>{101}));

    // Activating the hidden app shows its window again.
    ASSERT_TRUE(desktop->platform().workspace.activate(502, 0));
    EXPECT_EQ(numbersOf(*server.copyWindowInfo(onScreenWindows, 0)),
              (std::vector<std::uint32_t>{201, 101}));
}

TEST(WindowServer, NamesAreWithheldWithoutScreenRecording) {
    auto desktop = loadDesktop(R"({"permissions": {"screenRecording": false},
      "apps": [{"pid": 501}], "windows": [{"windowId": 101, "pid": 501, "title": "Secret plans"}]})");
    auto& server = desktop->platform().windowServer;
    auto list = server.copyWindowInfo(allWindows, 0);
    ASSERT_TRUE(list);
    EXPECT_FALSE((*list)[0].contains("kCGWindowName"));
    EXPECT_EQ((*list)[0]["kCGWindowNumber"], 101);

    desktop->apply({{"permissions", {{"screenRecording", true}}}});
    EXPECT_EQ((*server.copyWindowInfo(allWindows, 0))[0]["kCGWindowName"], "Secret plans");
}

TEST(WindowServer, RawEntriesReplaceAddAndRemoveKeys) {
    auto desktop = loadDesktop(readScenario("hostile-windows.json"));
    auto& platform = desktop->platform();
    auto list = platform.windowServer.copyWindowInfo(allWindows, 0);
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 7u);

    const auto& own = (*list)[0];
    EXPECT_EQ(own["kCGWindowOwnerPID"], platform.process.ownPid());
    EXPECT_EQ(own["kCGWindowLayer"], 3);

    EXPECT_EQ((*list)[1]["kCGWindowBounds"], "10,20,300,200");
    EXPECT_FALSE((*list)[2].contains("kCGWindowNumber"));
    EXPECT_EQ((*list)[2]["kCGWindowName"], "No number");

    const auto& odd = (*list)[3];
    EXPECT_TRUE(odd["kCGWindowOwnerPID"].is_number_float());
    EXPECT_EQ(odd["kCGWindowOwnerPID"].get<double>(), 501.5);
    EXPECT_EQ(odd["kCGWindowIsOnscreen"], 1);
    EXPECT_TRUE(odd["kCGWindowIsOnscreen"].is_number_integer());
    EXPECT_EQ(odd["kCGWindowLayer"], "0");
    EXPECT_EQ(odd["kCGWindowName"], 42);
    EXPECT_EQ(odd["kCGWindowAlpha"], 1.0);

    EXPECT_EQ((*list)[6]["kCGWindowBounds"],
              (Json{{"X", 300.0}, {"Y", 300.0}, {"Width", -100.0}, {"Height", -50.0}}));

    // The raw on-screen value is what the dictionary says; the on-screen filter follows the
    // window itself.
    auto onScreen = platform.windowServer.copyWindowInfo(onScreenWindows, 0);
    ASSERT_TRUE(onScreen);
    EXPECT_EQ(onScreen->size(), 6u);
}

TEST(WindowServer, TheSessionDictionaryIsHandedOverAsGivenAndCanChange) {
    auto desktop = loadDesktop(
        R"({"session": {"kCGSSessionOnConsoleKey": 1, "CGSSessionScreenIsLocked": "1", "kCGSessionLoginDoneKey": true}})");
    auto& server = desktop->platform().windowServer;
    auto session = server.copyCurrentSessionDictionary();
    ASSERT_TRUE(session);
    EXPECT_TRUE((*session)["kCGSSessionOnConsoleKey"].is_number_integer());
    EXPECT_TRUE((*session)["CGSSessionScreenIsLocked"].is_string());
    EXPECT_TRUE((*session)["kCGSessionLoginDoneKey"].is_boolean());

    desktop->apply({{"session", nullptr}});
    EXPECT_FALSE(server.copyCurrentSessionDictionary());
    desktop->apply({{"session", {{"kCGSSessionOnConsoleKey", false}}}});
    EXPECT_EQ(server.copyCurrentSessionDictionary(), (Json{{"kCGSSessionOnConsoleKey", false}}));

    EXPECT_FALSE(loadDesktop(R"({"session": null})")
                     ->platform()
                     .windowServer.copyCurrentSessionDictionary());
}

} // namespace
} // namespace orvel::sim::testing
