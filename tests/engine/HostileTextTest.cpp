// Text from other applications that is not valid UTF-8: every request that carries such text
// is still answered, with the text repaired (U+FFFD for each invalid sequence) and digests
// that do not depend on how the text was broken.
#include "OrvelControlCore/Hashing.hpp"
#include "OrvelControlCore/Text.hpp"
#include "platform/profiles/MacProfile.hpp"
#include "support/CountingAccessibility.hpp"
#include "support/EngineHarness.hpp"

#include <gtest/gtest.h>

namespace orvel::testing {
namespace {

using namespace std::chrono_literals;

// Names, titles, roles and values given as raw bytes: a stray 0xFF, a truncated sequence, an
// encoded surrogate and an overlong form.
const char* const brokenTextScenario = R"({
  "apps": [{"pid": 501, "bundleId": {"bytes": "636f6d2e6578616d706c652eff"},
            "name": {"bytes": "4b61ff"}, "launchedAt": 1765000000}],
  "windows": [{"windowId": 101, "pid": 501, "title": {"bytes": "4e6f746573e282"},
               "frame": {"x": 100, "y": 80, "width": 800, "height": 600},
               "tree": {"id": "w", "children": [
      {"id": "ok", "role": "AXButton", "title": {"bytes": "4f4bff"}, "actions": ["AXPress"],
       "frame": {"x": 120, "y": 100, "width": 80, "height": 24},
       "on": {"AXPress": [{"set": {"element": "status", "attribute": "AXValue", "value": "Lagret"}}]}},
      {"id": "status", "role": {"bytes": "4158eda08054657874"}, "subrole": {"bytes": "c0af"},
       "description": {"bytes": "537461747573ff"}, "value": {"bytes": "6869e282"},
       "frame": {"x": 220, "y": 100, "width": 200, "height": 24}},
      {"id": "hint", "role": "AXStaticText", "label": {"bytes": "f09f98"},
       "frame": {"x": 120, "y": 140, "width": 200, "height": 24}}
    ]}}]
})";

// Every line the engine wrote parses as JSON: nothing was dropped for its bytes.
void expectEveryLineIsJson(const EngineHarness& harness) {
    for (const auto& line : harness.out().lines()) {
        EXPECT_TRUE(text::isValidUtf8(line)) << line;
        EXPECT_FALSE(Json::parse(line, nullptr, false).is_discarded()) << line;
    }
}

TEST(HostileText, ApplicationNamesAndBundlesAreRepairedInTheLists) {
    EngineHarness harness(brokenTextScenario);
    auto apps = harness.request({{"id", "a"}, {"op", "apps.list"}}, 3s);
    ASSERT_EQ(apps["ok"], true) << apps.dump();
    EXPECT_EQ(apps["result"]["apps"][0]["name"], "Ka\uFFFD");
    EXPECT_EQ(apps["result"]["apps"][0]["bundleId"], "com.example.\uFFFD");

    auto windows = harness.request(
        {{"id", "w"}, {"op", "windows.list"}, {"pid", 501}, {"bundleId", "com.example.\uFFFD"}},
        3s);
    ASSERT_EQ(windows["ok"], true) << windows.dump();
    EXPECT_EQ(windows["result"]["app"]["name"], "Ka\uFFFD");
    EXPECT_EQ(windows["result"]["windows"][0]["title"], "Notes\uFFFD")
        << "a truncated sequence is one replacement";
    expectEveryLineIsJson(harness);
}

TEST(HostileText, AnObservationOfBrokenTextIsAnsweredWithAStableDigest) {
    EngineHarness harness(brokenTextScenario);
    auto first =
        harness.request({{"id", "o1"}, {"op", "observe"}, {"pid", 501}, {"windowId", 101}}, 3s);
    ASSERT_EQ(first["ok"], true) << first.dump();
    const auto& result = first["result"];
    EXPECT_EQ(result["app"]["bundleId"], "com.example.\uFFFD");
    EXPECT_EQ(result["app"]["name"], "Ka\uFFFD");
    EXPECT_EQ(result["window"]["title"], "Notes\uFFFD");
    const auto& elements = result["elements"];
    ASSERT_EQ(elements.size(), 4u);
    EXPECT_EQ(elements[1]["label"], "OK\uFFFD");
    EXPECT_EQ(elements[2]["role"], "AX\uFFFD\uFFFD\uFFFDText") << "an encoded surrogate";
    EXPECT_EQ(elements[2]["subrole"], "\uFFFD\uFFFD") << "an overlong form";
    EXPECT_EQ(elements[2]["label"], "Status\uFFFD");
    EXPECT_EQ(elements[2]["value"], "hi\uFFFD");
    EXPECT_EQ(elements[3]["label"], "\uFFFD");

    std::string lines = "AXWindow||Notes\uFFFD||false|100,80,800,600\n"
                        "AXButton||OK\uFFFD||false|120,100,80,24\n"
                        "AX\uFFFD\uFFFD\uFFFDText|\uFFFD\uFFFD|Status\uFFFD|hi\uFFFD|false|"
                        "220,100,200,24\n"
                        "AXStaticText||\uFFFD||false|120,140,200,24\n";
    EXPECT_EQ(result["digest"], sha256Hex(lines));
    auto second =
        harness.request({{"id", "o2"}, {"op", "observe"}, {"pid", 501}, {"windowId", 101}}, 3s);
    EXPECT_EQ(second["result"]["digest"], result["digest"]);
    expectEveryLineIsJson(harness);
}

TEST(HostileText, AnActionOnBrokenTextIsAnsweredWithItsTargetAndTheNewObservation) {
    EngineHarness harness(brokenTextScenario);
    auto observed =
        harness.request({{"id", "o1"}, {"op", "observe"}, {"pid", 501}, {"windowId", 101}}, 3s);
    ASSERT_EQ(observed["ok"], true) << observed.dump();
    auto acted = harness.request({{"id", "a1"},
                                  {"op", "act"},
                                  {"observationId", observed["result"]["observationId"]},
                                  {"expect", {{"bundleId", "com.example.\uFFFD"}}},
                                  {"action", {{"type", "ax.press"}, {"elementId", "e2"}}}},
                                 5s);
    ASSERT_EQ(acted["ok"], true) << acted.dump();
    const auto& result = acted["result"];
    EXPECT_EQ(result["target"]["label"], "OK\uFFFD");
    EXPECT_EQ(result["changed"], true);
    EXPECT_EQ(result["observation"]["elements"][2]["value"], "Lagret");
    EXPECT_EQ(result["observation"]["window"]["title"], "Notes\uFFFD");
    expectEveryLineIsJson(harness);
}

// Hands back the inner service's action names with one more that is not valid UTF-8.
class BrokenActionNames : public CountingAccessibility {
  public:
    using CountingAccessibility::copyActionNames;
    using CountingAccessibility::CountingAccessibility;

    platform::AXAnswer<std::vector<std::string>>
    copyActionNames(const platform::ElementHandle& element,
                    platform::CallTimeout timeout) override {
        auto answer = CountingAccessibility::copyActionNames(element, timeout);
        if (answer.ok()) {
            answer.value.push_back("AXShow\xFFMenu");
        }
        return answer;
    }
};

TEST(HostileText, ActionNamesAreRepairedAsTheyAreRead) {
    EngineHarness harness(brokenTextScenario);
    BrokenActionNames broken(harness.desktop().platform().accessibility);
    Accessibility accessibility(broken, platform::macOSProfile().texts.accessibilityNotGranted);
    auto window = harness.engine().liveWindow(501, 101);
    auto ticket = harness.engine().ledger().admit("names", false, "f").ticket;
    auto record = accessibility.observe(501, "", window, 8, 50, "obs-x",
                                        harness.engine().deadline(ticket, 8));
    EXPECT_EQ(record->nodes.at("e2").actions,
              (std::vector<std::string>{"AXPress", "AXShow\uFFFDMenu"}));
}

} // namespace
} // namespace orvel::testing
