// The user taking over in the middle of a foreground action, with the user's event injected by
// the simulated desktop right after one of the program's own: nothing of the action may be
// posted once the listener has the user's event (only the releases of what it holds), the
// action fails "stopped" with "partial" true, and exactly one takeover halts control. Each case
// runs as it comes and with the main loop held up behind the program's event, so that the
// listener judges the user's event late, as a busy main loop would. A button whose release
// cannot be made stays booked and is let go of by a later release.
#include "support/EngineHarness.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace orvel::testing {
namespace {

using namespace std::chrono_literals;

Json frame(double x, double y, double width, double height) {
    return Json{{"x", x}, {"y", y}, {"width", width}, {"height", height}};
}

// One app in front with one window: a button and a focused text field.
Json desktopWithUserAfter(const std::string& kind, int count) {
    Json tree{{"id", "w1"},
              {"role", "AXWindow"},
              {"title", "Notes"},
              {"frame", frame(100, 80, 800, 600)},
              {"children",
               {{{"id", "field"},
                 {"role", "AXTextField"},
                 {"value", ""},
                 {"settable", {"AXValue", "AXFocused"}},
                 {"frame", frame(120, 120, 300, 24)}},
                {{"id", "save"},
                 {"role", "AXButton"},
                 {"title", "Lagre"},
                 {"actions", {"AXPress"}},
                 {"frame", frame(120, 160, 80, 24)}}}}};
    return Json{
        {"apps",
         {{{"pid", 501},
           {"bundleId", "com.example.notes"},
           {"name", "Notes"},
           {"focusedWindow", "w1"},
           {"focusedElement", "field"}}}},
        {"windows",
         {{{"windowId", 101},
           {"pid", 501},
           {"title", "Notes"},
           {"frame", frame(100, 80, 800, 600)},
           {"tree", tree}}}},
        {"script",
         {{{"when", {{"posted", kind}, {"count", count}}},
           {"do", {{"userInput", kind == "keyDown" ? "mouseMoved" : "keyDown"}}}}}},
    };
}

// A second tap, installed after the listener's, that holds up the main loop once, on the
// program's first event of one kind: the deliveries queued behind it wait, the user's too.
void stallMainLoopOn(platform::EventSystem& events, std::uint32_t type,
                     std::chrono::milliseconds stall) {
    auto stalled = std::make_shared<std::atomic<bool>>(false);
    auto tap =
        events.createTap(platform::eventtap::sessionLocation, platform::eventtap::headInsert,
                         platform::eventtap::listenOnly, std::uint64_t{1} << type,
                         [stalled, type, stall](std::uint32_t seen, const platform::Event& event) {
                             const bool own = event.integerValueField(
                                                  platform::eventfield::eventSourceUserData) != 0;
                             if (seen == type && own && !stalled->exchange(true)) {
                                 std::this_thread::sleep_for(stall);
                             }
                         });
    ASSERT_TRUE(tap);
    auto source = events.createRunLoopSource(*tap);
    ASSERT_TRUE(source);
    events.addSourceToMainRunLoop(*source);
    events.enableTap(*tap, true);
}

// Observes the window ("o") and acts on it in foreground mode ("a"); the act's response.
Json observeThenAct(EngineHarness& harness, const Json& action) {
    const Json observed =
        harness.request({{"id", "o"}, {"op", "observe"}, {"pid", 501}, {"windowId", 101}});
    EXPECT_EQ(observed["ok"], true) << observed.dump();
    return harness.request({{"id", "a"},
                            {"op", "act"},
                            {"mode", "foreground"},
                            {"observationId", observed["result"].value("observationId", "")},
                            {"action", action}},
                           20s);
}

struct TakeoverCase {
    std::string name;
    Json action;
    std::string triggerKind; // the program's event the user's follows
    std::uint32_t triggerType;
    int triggerCount;
    std::string progressKey; // empty: the action reports no progress detail
};

std::vector<TakeoverCase> takeoverCases() {
    namespace type = platform::eventtype;
    return {
        {"ClickAfterTheMove",
         {{"type", "pointer.click"}, {"x", 50}, {"y", 90}, {"count", 2}},
         "mouseMoved",
         type::mouseMoved,
         1,
         "clicks"},
        {"ClickBetweenDownAndUp",
         {{"type", "pointer.click"}, {"x", 50}, {"y", 90}},
         "leftMouseDown",
         type::leftMouseDown,
         1,
         "clicks"},
        {"ScrollAfterTheMove",
         {{"type", "pointer.scroll"}, {"x", 50}, {"y", 90}, {"dy", -40}},
         "mouseMoved",
         type::mouseMoved,
         1,
         ""},
        {"DragMidway",
         {{"type", "pointer.drag"}, {"x", 50}, {"y", 90}, {"to", {{"x", 400}, {"y", 300}}}},
         "leftMouseDragged",
         type::leftMouseDragged,
         2,
         "releasedAt"},
        {"TypingMidway",
         {{"type", "key.type"}, {"text", "abcdefghij"}},
         "keyDown",
         type::keyDown,
         3,
         "typed"},
        {"KeyPressBetweenDownAndUp",
         {{"type", "key.press"}, {"key", "return"}},
         "keyDown",
         type::keyDown,
         1,
         ""},
    };
}

struct TakeoverRun {
    TakeoverCase action;
    bool stalled;
};

std::string runName(const ::testing::TestParamInfo<TakeoverRun>& info) {
    return info.param.action.name + (info.param.stalled ? "WithABusyMainLoop" : "");
}

bool isRelease(const std::string& kind) {
    return kind.ends_with("Up");
}

class Takeover : public ::testing::TestWithParam<TakeoverRun> {};

TEST_P(Takeover, StopsTheActionAtOnceAndHaltsOnce) {
    const auto& [action, stalled] = GetParam();
    EngineHarness harness(desktopWithUserAfter(action.triggerKind, action.triggerCount).dump());
    if (stalled) {
        stallMainLoopOn(harness.desktop().platform().events, action.triggerType, 150ms);
    }
    const Json response = observeThenAct(harness, action.action);

    ASSERT_EQ(response["ok"], false) << response.dump();
    const Json& error = response["error"];
    EXPECT_EQ(error["code"], "stopped") << error.dump();
    EXPECT_EQ(error["details"]["partial"], true) << error.dump();
    if (!action.progressKey.empty()) {
        EXPECT_TRUE(error["details"].contains(action.progressKey)) << error.dump();
    }

    ASSERT_TRUE(harness.out().waitForEvent("stopped"));
    harness.listener().settleReports();
    EXPECT_EQ(harness.listener().currentStatus().takeovers, 1);
    int stoppedLines = 0;
    for (const auto& line : harness.out().jsonLines()) {
        if (line.value("event", "") == "stopped") {
            ++stoppedLines;
            EXPECT_EQ(line["reason"], "user_input");
        }
    }
    EXPECT_EQ(stoppedLines, 1);

    // After the user's event the program only lets go of what it held.
    const auto log = harness.desktop().eventLog();
    std::size_t user = 0;
    while (user < log.size() && log[user]["source"] != "user") {
        ++user;
    }
    ASSERT_LT(user, log.size());
    for (std::size_t i = user + 1; i < log.size(); ++i) {
        EXPECT_TRUE(log[i]["source"] != "program" || isRelease(log[i]["kind"]))
            << "posted after the user's event: " << log[i];
    }
    EXPECT_FALSE(harness.engine().input().ledger().isHoldingAnything());
}

std::vector<TakeoverRun> takeoverRuns() {
    std::vector<TakeoverRun> runs;
    for (const auto& action : takeoverCases()) {
        runs.push_back({action, false});
        runs.push_back({action, true});
    }
    return runs;
}

INSTANTIATE_TEST_SUITE_P(Actions, Takeover, ::testing::ValuesIn(takeoverRuns()), runName);

// The halt a takeover reports runs on a thread of its own and may come late; the action it
// stopped answers only after it, so that the stopped event comes first and a resume sent on
// the answer stays in force instead of being undone by the halt.
TEST(TakeoverAnswer, ComesAfterTheHaltSoThatAResumeOnItHolds) {
    EngineHarness harness(desktopWithUserAfter("keyDown", 3).dump());
    harness.listener().setOnTakeover([&harness](const std::string& reason) {
        std::this_thread::sleep_for(200ms);
        harness.engine().halt(reason);
    });
    const Json response = observeThenAct(harness, {{"type", "key.type"}, {"text", "abcdefghij"}});
    ASSERT_EQ(response["error"]["code"], "stopped") << response.dump();
    auto resumed = harness.request({{"id", "r"}, {"op", "resume"}});
    ASSERT_EQ(resumed["ok"], true) << resumed.dump();

    harness.listener().settleReports();
    auto health = harness.request({{"id", "h"}, {"op", "health"}});
    EXPECT_EQ(health["result"]["stopped"], false) << health.dump();
    std::vector<std::string> order;
    for (const auto& line : harness.out().jsonLines()) {
        order.push_back(line.contains("event") ? line.value("event", "") : line.value("id", ""));
    }
    const std::vector<std::string> expected = {"o", "stopped", "a", "r", "h"};
    EXPECT_EQ(order, expected);
}

// The button of a drag cut short by a takeover, when its release cannot be made for a while:
// the drag keeps its own failure and where it let go, and the button is let go of in the end.
TEST(TakeoverRelease, AButtonWhoseReleaseCannotBeMadeIsRetriedUntilItIsLetGo) {
    Json scenario = desktopWithUserAfter("leftMouseDragged", 2);
    scenario["uncreatableEvents"] = {{"leftMouseUp", 3}};
    EngineHarness harness(scenario.dump(), HarnessOptions::withWatchdog(100ms));
    harness.engine().startWatchdog();
    auto observed =
        harness.request({{"id", "o"}, {"op", "observe"}, {"pid", 501}, {"windowId", 101}});
    auto response = harness.request(
        {{"id", "a"},
         {"op", "act"},
         {"mode", "foreground"},
         {"observationId", observed["result"]["observationId"]},
         {"action",
          {{"type", "pointer.drag"}, {"x", 50}, {"y", 90}, {"to", {{"x", 400}, {"y", 300}}}}}},
        20s);
    const Json& error = response["error"];
    EXPECT_EQ(error["code"], "stopped") << response.dump();
    EXPECT_EQ(error["details"]["partial"], true) << response.dump();
    EXPECT_TRUE(error["details"].contains("releasedAt")) << response.dump();

    const auto giveUp = std::chrono::steady_clock::now() + 5s;
    auto& ledger = harness.engine().input().ledger();
    while (ledger.isHoldingAnything() && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_FALSE(ledger.isHoldingAnything());
    int downs = 0;
    int ups = 0;
    for (const auto& event : harness.desktop().eventLog()) {
        if (event["source"] == "program") {
            downs += event["kind"] == "leftMouseDown" ? 1 : 0;
            ups += event["kind"] == "leftMouseUp" ? 1 : 0;
        }
    }
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(ups, 1) << "let go of exactly once, once the release could be made";
}

} // namespace
} // namespace orvel::testing
