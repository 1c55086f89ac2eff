// Observing a window: the result, the traversal's bounds, the digest, window resolution and
// the limits in time, on the simulated desktop.
#include "platform/profiles/MacProfile.hpp"
#include "support/CountingAccessibility.hpp"
#include "support/EngineHarness.hpp"

#include "OrvelControlCore/Hashing.hpp"

#include <gtest/gtest.h>

namespace orvel::testing {
namespace {

using namespace std::chrono_literals;

const char* const notesScenario = R"({
  "apps": [{"pid": 501, "bundleId": "com.example.notes", "name": "Notes", "launchedAt": 1765000000,
            "focusedElement": "field"}],
  "windows": [{"windowId": 101, "pid": 501, "title": "Notes",
               "frame": {"x": 40.2, "y": 80, "width": 800, "height": 600},
               "tree": {"id": "w1", "role": "AXWindow", "title": "Notes",
                        "frame": {"x": 40.2, "y": 80, "width": 800, "height": 600},
                        "children": [
      {"id": "field", "role": "AXTextField", "description": "Tekst", "value": "hello",
       "settable": ["AXValue", "AXFocused"], "frame": {"x": 100.6, "y": 120.5, "width": 300, "height": 24}},
      {"id": "password", "role": "AXTextField", "subrole": "AXSecureTextField", "title": "Passord",
       "value": "hunter2", "settable": ["AXValue", "AXFocused"],
       "frame": {"x": 100, "y": 160, "width": 300, "height": 24}},
      {"id": "save", "role": "AXButton", "title": "", "description": "Lagre", "actions": ["AXPress"],
       "frame": {"x": 100, "y": 200, "width": 80, "height": 24}},
      {"id": "status", "role": "AXStaticText", "value": "", "frame": {"x": 200, "y": 200, "width": 100, "height": 24}},
      {"id": "check", "role": "AXCheckBox", "title": "Varsle", "value": 0, "enabled": false,
       "actions": ["AXPress"], "frame": {"x": 100, "y": 240, "width": 120, "height": 20}}
    ]}}]
})";

Json observeRequest(const std::string& id, Json extra = Json::object()) {
    Json request{{"id", id}, {"op", "observe"}, {"pid", 501}, {"windowId", 101}};
    request.update(extra);
    return request;
}

// A window whose children are generated: `children` children, each with `grandchildren`.
std::string generatedScenario(int children, int grandchildren) {
    Json kids = Json::array();
    for (int i = 0; i < children; ++i) {
        Json grandkids = Json::array();
        for (int j = 0; j < grandchildren; ++j) {
            grandkids.push_back({{"id", "g" + std::to_string(i) + "_" + std::to_string(j)},
                                 {"role", "AXStaticText"}});
        }
        kids.push_back(
            {{"id", "c" + std::to_string(i)}, {"role", "AXGroup"}, {"children", grandkids}});
    }
    Json frame{{"x", 0}, {"y", 40}, {"width", 600}, {"height", 400}};
    return Json{
        {"apps", {{{"pid", 501}, {"name", "Gen"}}}},
        {"windows",
         {{{"windowId", 101},
           {"pid", 501},
           {"frame", frame},
           {"tree", {{"id", "w"}, {"role", "AXWindow"}, {"frame", frame}, {"children", kids}}}}}}}
        .dump();
}

TEST(Observation, TheResultHasEveryKeyAndTheElementsInBreadthFirstOrder) {
    EngineHarness harness(notesScenario);
    auto result = harness.request(observeRequest("o1"))["result"];
    ASSERT_TRUE(result.is_object()) << result.dump();
    EXPECT_EQ(result.size(), 9u);
    EXPECT_EQ(result["app"], (Json{{"pid", 501},
                                   {"bundleId", "com.example.notes"},
                                   {"name", "Notes"},
                                   {"launchedAt", 1765000000},
                                   {"active", true}}));
    EXPECT_EQ(result["window"],
              (Json{{"windowId", 101},
                    {"title", "Notes"},
                    {"frame", {{"x", 40}, {"y", 80}, {"width", 800}, {"height", 600}}}}));
    EXPECT_EQ(result["truncated"], false);
    EXPECT_EQ(result["screenLocked"], false);
    EXPECT_EQ(result["lock"]["state"], "unlocked");
    EXPECT_EQ(result["observationId"].get<std::string>().rfind("obs-1-", 0), 0u);

    const auto& elements = result["elements"];
    ASSERT_EQ(elements.size(), 6u);
    for (std::size_t i = 0; i < elements.size(); ++i) {
        EXPECT_EQ(elements[i]["id"], "e" + std::to_string(i + 1));
    }
    EXPECT_EQ(elements[0]["depth"], 0);
    EXPECT_FALSE(elements[0].contains("parent"));
    EXPECT_EQ(elements[1],
              (Json{{"id", "e2"},
                    {"role", "AXTextField"},
                    {"depth", 1},
                    {"parent", "e1"},
                    {"label", "Tekst"},
                    {"value", "hello"},
                    {"enabled", true},
                    {"focused", true},
                    {"actions", Json::array()},
                    {"settable", {"AXValue", "AXFocused"}},
                    {"frame", {{"x", 60}, {"y", 41}, {"width", 300}, {"height", 24}}},
                    {"screenFrame", {{"x", 101}, {"y", 121}, {"width", 300}, {"height", 24}}}}));
    EXPECT_EQ(elements[2]["secure"], true);
    EXPECT_FALSE(elements[2].contains("value")) << "a password field's value is never read";
    EXPECT_EQ(elements[2]["settable"], Json({"AXFocused"}));
    EXPECT_FALSE(elements[3].contains("label"))
        << "a present but empty title wins over the description";
    EXPECT_EQ(elements[4]["value"], "");
    EXPECT_EQ(elements[5]["enabled"], false);
    EXPECT_EQ(elements[5]["value"], "0") << "a number value is read as its text";

    auto health = harness.request({{"id", "h"}, {"op", "health"}})["result"];
    EXPECT_EQ(health["observation"], result["observationId"]);
}

TEST(Observation, TheDigestMatchesAnIndependentComputation) {
    EngineHarness harness(notesScenario);
    auto result = harness.request(observeRequest("o1"))["result"];
    std::string lines = "AXWindow||Notes||false|40,80,800,600\n"
                        "AXTextField||Tekst|hello|true|100,120,300,24\n"
                        "AXTextField|AXSecureTextField|Passord||false|100,160,300,24\n"
                        "AXButton||||false|100,200,80,24\n"
                        "AXStaticText||||false|200,200,100,24\n"
                        "AXCheckBox||Varsle|0|false|100,240,120,20\n";
    EXPECT_EQ(result["digest"], sha256Hex(lines));
}

TEST(Observation, TheDigestFollowsFocusButNotEnabledState) {
    EngineHarness harness(notesScenario);
    auto first = harness.request(observeRequest("o1"))["result"]["digest"];
    EXPECT_EQ(harness.request(observeRequest("o2"))["result"]["digest"], first);
    harness.desktop().apply(
        {{"set", {{"element", "check"}, {"attribute", "AXEnabled"}, {"value", true}}}});
    EXPECT_EQ(harness.request(observeRequest("o3"))["result"]["digest"], first);
    harness.desktop().apply({{"focus", "save"}});
    EXPECT_NE(harness.request(observeRequest("o4"))["result"]["digest"], first);
}

TEST(Observation, RequestFieldsAreCheckedAndClamped) {
    EngineHarness harness(notesScenario);
    EXPECT_EQ(errorOf(harness.request({{"id", "a"}, {"op", "observe"}, {"pid", 501}})),
              (Json{{"code", "invalid_request"},
                    {"message", "Observasjon krever gyldig pid og windowId."}}));
    EXPECT_EQ(
        errorOf(harness.request(observeRequest("b", {{"windowId", 4294967296LL}})))["message"],
        "Observasjon krever gyldig pid og windowId.");
    EXPECT_EQ(errorOf(harness.request(observeRequest("c", {{"artifactPath", nullptr}}))),
              (Json{{"code", "invalid_request"},
                    {"message", "Skjermbilder leveres bare direkte i svaret, aldri som fil."}}));
    EXPECT_EQ(
        errorOf(harness.request(observeRequest("d", {{"bundleId", "com.example.other"}})))["code"],
        "target_missing");

    auto one = harness.request(observeRequest("e", {{"maxNodes", 0}}))["result"];
    EXPECT_EQ(one["elements"].size(), 1u);
    EXPECT_EQ(one["truncated"], true);
    auto shallow =
        harness.request(observeRequest("f", {{"depth", -3}, {"screenshot", 1}}))["result"];
    EXPECT_EQ(shallow["elements"].size(), 6u);
    EXPECT_FALSE(shallow.contains("screenshot")) << "1 is not a boolean";
}

TEST(Observation, TheTraversalIsBoundedInDepthAndChildren) {
    {
        EngineHarness harness(generatedScenario(3, 2));
        auto result = harness.request(observeRequest("a", {{"depth", 1}}))["result"];
        ASSERT_EQ(result["elements"].size(), 4u);
        EXPECT_EQ(result["truncated"], true);
        EXPECT_EQ(result["elements"][3]["parent"], "e1");
        auto deep = harness.request(observeRequest("b", {{"depth", 3.0}}))["result"];
        EXPECT_EQ(deep["elements"].size(), 10u);
        EXPECT_EQ(deep["truncated"], false);
    }
    {
        EngineHarness harness(generatedScenario(130, 0));
        auto result = harness.request(observeRequest("a", {{"depth", 1}}))["result"];
        EXPECT_EQ(result["elements"].size(), 121u);
        EXPECT_EQ(result["truncated"], false)
            << "children past the 120th are dropped without truncation";
    }
}

TEST(Observation, EachNodeCostsAFixedNumberOfMessages) {
    EngineHarness harness(generatedScenario(20, 0));
    CountingAccessibility counting(harness.desktop().platform().accessibility);
    Accessibility accessibility(counting, platform::macOSProfile().texts.accessibilityNotGranted);
    auto window = harness.engine().liveWindow(501, 101);
    auto ticket = harness.engine().ledger().admit("count", false, "f").ticket;
    auto record = accessibility.observe(501, "", window, 8, 600, "obs-x",
                                        harness.engine().deadline(ticket, 8));
    ASSERT_EQ(record->order.size(), 21u);
    // Per node: role, subrole, title, value, two settable checks, enabled, focused,
    // position, actions and children; description and label only without a title (the
    // window has one), size only with a position (only the window has one). Once: the
    // window list, and the window's position, size and title, for the resolution and again
    // for the traversal.
    EXPECT_EQ(counting.messages(), 21 * 11 + 20 * 2 + 1 + 4 + 3) << Json(counting.counts()).dump();
}

TEST(Observation, ResolutionRefusesWindowsItCannotTellApart) {
    auto scenario = [](const std::string& secondTitle, bool screenRecording) {
        Json frame{{"x", 100}, {"y", 80}, {"width", 800}, {"height", 600}};
        Json first{
            {"windowId", 101},
            {"pid", 501},
            {"title", "Notes"},
            {"frame", frame},
            {"tree", {{"id", "w1"}, {"role", "AXWindow"}, {"title", "Notes"}, {"frame", frame}}}};
        Json second{
            {"windowId", 102},
            {"pid", 501},
            {"title", secondTitle},
            {"frame", frame},
            {"tree",
             {{"id", "w2"}, {"role", "AXWindow"}, {"title", secondTitle}, {"frame", frame}}}};
        return Json{{"apps", {{{"pid", 501}, {"name", "Notes"}}}},
                    {"permissions", {{"screenRecording", screenRecording}}},
                    {"windows", {first, second}}}
            .dump();
    };
    {
        EngineHarness harness(scenario("Other", false));
        auto error = errorOf(harness.request(observeRequest("a")));
        EXPECT_EQ(
            error,
            (Json{{"code", "ambiguous_target"},
                  {"message", "Flere vinduer i appen har samme plassering og størrelse. Orvel Rire "
                              "handler ikke før vinduet er entydig."},
                  {"details", {{"candidates", 2}}}}));
    }
    {
        EngineHarness harness(scenario("Other", true));
        EXPECT_EQ(harness.request(observeRequest("a"))["ok"], true) << "the title breaks the tie";
    }
    {
        EngineHarness harness(R"({"apps": [{"pid": 501, "name": "Notes"}],
          "windows": [{"windowId": 101, "pid": 501, "title": "Notes", "frame": {"x": 100, "y": 80, "width": 800, "height": 600}},
                      {"windowId": 102, "pid": 501, "title": "Draft", "frame": {"x": 100, "y": 80, "width": 800, "height": 600},
                       "tree": {"id": "w2", "role": "AXWindow", "title": "Draft", "frame": {"x": 100, "y": 80, "width": 800, "height": 600}}}]})");
        auto error = errorOf(harness.request(observeRequest("a")));
        EXPECT_EQ(error,
                  (Json{{"code", "ambiguous_target"},
                        {"message",
                         "Vinduet på denne plasseringen har en annen tittel enn det valgte. Velg "
                         "vinduet på nytt."},
                        {"details", {{"expected", "Notes"}, {"actual", "Draft"}}}}));
    }
    {
        EngineHarness harness(R"({"apps": [{"pid": 501, "name": "Notes"}],
          "windows": [{"windowId": 101, "pid": 501, "frame": {"x": 100, "y": 80, "width": 800, "height": 600}}]})");
        EXPECT_EQ(errorOf(harness.request(observeRequest("a"))),
                  (Json{{"code", "target_missing"},
                        {"message", "Appen har ingen vinduer tilgjengelig for styring."}}));
    }
}

TEST(Observation, TitlesDifferingOnlyInNormalisationNameTheSameWindow) {
    // The window server gives the title composed, the app decomposed.
    EngineHarness harness(R"({"apps": [{"pid": 501, "name": "Caf\u00E9"}],
      "windows": [{"windowId": 101, "pid": 501, "title": "Caf\u00E9",
                   "frame": {"x": 100, "y": 80, "width": 800, "height": 600},
                   "tree": {"id": "w1", "title": "Cafe\u0301"}}]})");
    auto response = harness.request(observeRequest("a"));
    ASSERT_EQ(response["ok"], true) << response.dump();
    EXPECT_EQ(response["result"]["window"]["title"], "Cafe\u0301")
        << "the window's own title is reported as it is spelled";
}

// Answers the application's window list with one more entry that is not an element.
class MixedWindowList : public CountingAccessibility {
  public:
    using CountingAccessibility::copyAttributeValue;
    using CountingAccessibility::CountingAccessibility;

    platform::AXAnswer<platform::AXValue>
    copyAttributeValue(const platform::ElementHandle& element, const std::string& attribute,
                       platform::CallTimeout timeout) override {
        auto answer = CountingAccessibility::copyAttributeValue(element, attribute, timeout);
        if (attribute == "AXWindows" && answer.ok()) {
            answer.value.array.push_back(platform::AXValue::ofString("AXWindow"));
        }
        return answer;
    }
};

TEST(Observation, AWindowListHoldingAnythingButElementsCountsAsNoWindows) {
    EngineHarness harness(notesScenario);
    MixedWindowList mixed(harness.desktop().platform().accessibility);
    Accessibility accessibility(mixed, platform::macOSProfile().texts.accessibilityNotGranted);
    auto window = harness.engine().liveWindow(501, 101);
    auto ticket = harness.engine().ledger().admit("mixed", false, "f").ticket;
    try {
        accessibility.axWindow(501, window, harness.engine().deadline(ticket, 8));
        ADD_FAILURE() << "a window was picked out of a malformed list";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure,
                  Failure("target_missing", "Appen har ingen vinduer tilgjengelig for styring."));
    }
}

TEST(Observation, OnlyTheFirstSixtyFourWindowsAreCandidates) {
    Json windows = Json::array();
    for (int i = 0; i < 70; ++i) {
        Json frame{{"x", 10 * i}, {"y", 40}, {"width", 300}, {"height", 200}};
        windows.push_back(
            {{"windowId", 1000 + i},
             {"pid", 501},
             {"frame", frame},
             {"tree", {{"id", "w" + std::to_string(i)}, {"role", "AXWindow"}, {"frame", frame}}}});
    }
    EngineHarness harness(
        Json{{"apps", {{{"pid", 501}, {"name", "Many"}}}}, {"windows", windows}}.dump());
    EXPECT_EQ(
        harness.request({{"id", "a"}, {"op", "observe"}, {"pid", 501}, {"windowId", 1063}})["ok"],
        true);
    EXPECT_EQ(errorOf(harness.request(
                  {{"id", "b"}, {"op", "observe"}, {"pid", 501}, {"windowId", 1065}}))["message"],
              "Fant ikke vinduet i appens tilgjengelighetstre. Vinduet kan være flyttet, minimert "
              "eller lukket.");
}

TEST(Observation, AHungApplicationTimesOutWhileControlRequestsAreAnswered) {
    // Every message takes 1.4 s, just under the messaging time-out, so only the 8-second
    // deadline ends the traversal.
    EngineHarness harness(R"({"apps": [{"pid": 501, "name": "Slow"}],
      "windows": [{"windowId": 101, "pid": 501, "frame": {"x": 0, "y": 40, "width": 600, "height": 400},
                   "tree": {"id": "w", "role": "AXWindow", "frame": {"x": 0, "y": 40, "width": 600, "height": 400},
                            "latency": 1.4, "children": [{"id": "c", "role": "AXButton", "latency": 1.4}]}}]})");
    auto started = std::chrono::steady_clock::now();
    harness.acceptLine(observeRequest("slow").dump());
    std::this_thread::sleep_for(100ms);
    auto pingStarted = std::chrono::steady_clock::now();
    EXPECT_EQ(harness.request({{"id", "p"}, {"op", "ping"}}, 1s)["ok"], true);
    EXPECT_LT(std::chrono::steady_clock::now() - pingStarted, 50ms);
    auto response = harness.out().waitForId("slow", 15s);
    ASSERT_TRUE(response);
    EXPECT_EQ(errorOf(*response),
              (Json{{"code", "timeout"},
                    {"message", "Arbeidet mot appen tok for lang tid og ble avbrutt."}}));
    auto elapsed = std::chrono::steady_clock::now() - started;
    EXPECT_GE(elapsed, 7s);
    EXPECT_LT(elapsed, 11s);
    EXPECT_TRUE(
        harness.request({{"id", "h"}, {"op", "health"}})["result"]["observation"].is_null());
}

TEST(Observation, ACancelEndsTheTraversalAtTheNextElement) {
    auto scenario = Json::parse(generatedScenario(40, 0));
    for (auto& child : scenario["windows"][0]["tree"]["children"]) {
        child["latency"] = 0.02;
    }
    EngineHarness harness(scenario.dump());
    harness.acceptLine(observeRequest("slow").dump());
    std::this_thread::sleep_for(200ms);
    auto cancelled = std::chrono::steady_clock::now();
    harness.request({{"id", "c"}, {"op", "cancel"}, {"target", "slow"}});
    auto response = harness.out().waitForId("slow", 5s);
    ASSERT_TRUE(response);
    EXPECT_EQ(errorOf(*response),
              (Json{{"code", "cancelled"}, {"message", "Forespørselen ble avbrutt."}}));
    EXPECT_LT(std::chrono::steady_clock::now() - cancelled, 1s) << "one element takes about 0.3 s";
}

TEST(Observation, NodesAreFoundByIdAndByLiveElement) {
    EngineHarness harness(notesScenario);
    harness.request(observeRequest("o"));
    auto record = harness.engine().currentObservation();
    ASSERT_TRUE(record);
    EXPECT_EQ(Engine::node(*record, {{"elementId", "e4"}}).role, "AXButton");
    for (Json request : {Json{{"elementId", "e99"}}, Json{{"elementId", 4}}, Json::object()}) {
        try {
            Engine::node(*record, request);
            FAIL();
        } catch (const Failure& failure) {
            EXPECT_EQ(failure, Failure("stale_observation",
                                       "Elementet hører ikke til den gjeldende observasjonen."));
        }
    }
    auto& accessibility = harness.engine().accessibility();
    const auto& save = record->nodes.at("e4");
    EXPECT_EQ(record->node(accessibility, save.element, 12), &save);
    EXPECT_TRUE(accessibility.equal(accessibility.windowOf(record->axWindow), record->axWindow));
    EXPECT_TRUE(accessibility.equal(accessibility.windowOf(save.element), record->axWindow));
}

TEST(Observation, WindowOfGivesUpAfterTwentyFourElements) {
    Json leaf{{"id", "n30"}, {"role", "AXStaticText"}, {"errors", {{"AXWindow", -25205}}}};
    for (int level = 29; level >= 1; --level) {
        leaf = Json{{"id", "n" + std::to_string(level)},
                    {"role", "AXGroup"},
                    {"errors", {{"AXWindow", -25205}}},
                    {"children", {leaf}}};
    }
    Json frame{{"x", 0}, {"y", 40}, {"width", 600}, {"height", 400}};
    EngineHarness harness(Json{
        {"apps", {{{"pid", 501}, {"name", "Deep"}}}},
        {"windows",
         {{{"windowId", 101},
           {"pid", 501},
           {"frame", frame},
           {"tree", {{"id", "w"}, {"role", "AXWindow"}, {"frame", frame}, {"children", {leaf}}}}}}}}
                              .dump());
    harness.request(observeRequest("o"));
    auto record = harness.engine().currentObservation();
    ASSERT_TRUE(record);
    auto& accessibility = harness.engine().accessibility();
    auto descend = [&](int levels) {
        platform::ElementHandle element = record->axWindow;
        for (int level = 0; level < levels; ++level) {
            auto children = accessibility.children(element);
            if (children.empty()) {
                return platform::ElementHandle();
            }
            element = children.front();
        }
        return element;
    };
    auto level23 = descend(23);
    ASSERT_FALSE(level23.isNull());
    EXPECT_TRUE(accessibility.equal(accessibility.windowOf(level23), record->axWindow))
        << "the window is the 24th element examined";
    auto level24 = descend(24);
    ASSERT_FALSE(level24.isNull());
    EXPECT_TRUE(accessibility.windowOf(level24).isNull());
    EXPECT_TRUE(accessibility.windowOf(descend(30)).isNull());
}

} // namespace
} // namespace orvel::testing
