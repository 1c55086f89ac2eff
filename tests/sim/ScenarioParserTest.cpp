// Loading scenarios: what is refused and how the refusal says where, and the defaults of what a
// scenario leaves out.
#include "SimTestSupport.hpp"

#include "OrvelControlCore/Text.hpp"
#include "platform/sim/DefaultScenario.hpp"

#include <gtest/gtest.h>

namespace orvel::sim::testing {
namespace {

TEST(ScenarioParser, RefusalsNameThePlaceAndTheProblem) {
    struct Case {
        const char* scenario;
        const char* error;
    };
    const Case cases[] = {
        {R"([])", "scenario: the scenario must be a JSON object"},
        {R"({"apps": [{"pid": 501}, {"pid": "me"}]})",
         R"(scenario: apps[1].pid must be an integer, "self" or "parent")"},
        {R"({"apps": [{"pid": 5000000000}]})",
         "scenario: apps[0].pid must be an integer from -2147483648 to 2147483647"},
        {R"({"apps": [{"pid": 501.0}]})",
         R"(scenario: apps[0].pid must be an integer, "self" or "parent")"},
        {R"({"apps": [{"bundleId": "x"}]})", R"(scenario: apps[0] needs a "pid")"},
        {R"({"apps": [{"pid": 501, "policy": "background"}]})",
         R"(scenario: apps[0].policy must be "regular", "accessory" or "prohibited")"},
        {R"({"apps": [{"pid": 501, "activation": "later"}]})",
         R"(scenario: apps[0].activation must be "accept", "slow", "ignore" or "refuse")"},
        {R"({"apps": [{"pid": 501}, {"pid": 501}]})",
         "scenario: apps[1] has the pid 501 of an earlier app"},
        {R"({"apps": [{"pid": 501, "latency": -1}]})",
         "scenario: apps[0].latency must be a number of seconds, 0 or more"},
        {R"({"apps": [{"pid": 501, "hidden": 1}]})",
         "scenario: apps[0].hidden must be true or false"},
        {R"({"uncreatableEvents": ["keyUp"]})",
         "scenario: uncreatableEvents must be an object of event kinds and counts"},
        {R"({"uncreatableEvents": {"keyUpp": 1}})",
         "scenario: uncreatableEvents.keyUpp is not a known event kind"},
        {R"({"windows": [{"windowId": 1, "pid": 7, "tree": {"id": "w"}}]})",
         "scenario: windows[0] has a tree but no app has its pid 7"},
        {R"({"windows": [{"windowId": 1, "pid": 7}, {"windowId": 1, "pid": 8}]})",
         "scenario: windows[1] has the windowId 1 of an earlier window"},
        {R"({"windows": [{"windowId": -1, "pid": 7}]})",
         "scenario: windows[0].windowId must be an integer from 0 to 4294967295"},
        {R"({"windows": [{"windowId": 1, "pid": 7, "frame": {"x": 0, "y": 0, "width": 10}}]})",
         R"(scenario: windows[0].frame needs "x", "y", "width" and "height")"},
        {R"({"windows": [{"windowId": 1, "pid": 7, "raw": []}]})",
         "scenario: windows[0].raw must be an object"},
        {R"({"apps": [{"pid": 1}], "windows": [{"windowId": 1, "pid": 1, "tree": {"id": "w", "children": [{"id": "w"}]}}]})",
         R"(scenario: windows[0].tree.children[0].id "w" is already the id of windows[0].tree)"},
        {R"({"apps": [{"pid": 1}], "windows": [{"windowId": 1, "pid": 1, "tree": {"id": "w", "setable": ["AXValue"]}}]})",
         "scenario: windows[0].tree.setable is not a known key"},
        {R"({"apps": [{"pid": 1}], "windows": [{"windowId": 1, "pid": 1, "tree": {"id": "w", "settable": ["AXTitle"]}}]})",
         R"(scenario: windows[0].tree.settable[0] must be "AXValue" or "AXFocused")"},
        {R"({"apps": [{"pid": 1}], "windows": [{"windowId": 1, "pid": 1, "tree": {"id": "w", "value": true}}]})",
         "scenario: windows[0].tree.value must be a string, a number or null"},
        {R"({"apps": [{"pid": 1}], "windows": [{"windowId": 1, "pid": 1, "tree": {"id": "w", "errors": {"AXRole": "x"}}}]})",
         "scenario: windows[0].tree.errors.AXRole must be an integer from -2147483648 to "
         "2147483647"},
        {R"({"apps": [{"pid": 1}], "windows": [{"windowId": 1, "pid": 1, "tree": {"id": "w",
             "on": {"AXPress": [{"set": {"element": "ghost", "attribute": "AXValue", "value": 1}}]}}}]})",
         R"(scenario: windows[0].tree.on.AXPress[0].set.element names no element of the scenario: "ghost")"},
        {R"({"apps": [{"pid": 1}], "windows": [{"windowId": 1, "pid": 1, "tree": {"id": "w",
             "on": {"AXPress": [{"explode": true}]}}}]})",
         "scenario: windows[0].tree.on.AXPress[0].explode is not a known effect"},
        {R"({"apps": [{"pid": 1}], "windows": [{"windowId": 1, "pid": 1, "tree": {"id": "w",
             "on": {"AXPress": [{"remove": "w", "focus": "w"}]}}}]})",
         "scenario: windows[0].tree.on.AXPress[0] must be an object with exactly one key naming "
         "the effect"},
        {R"({"apps": [{"pid": 1}], "windows": [{"windowId": 1, "pid": 1, "tree": {"id": "w",
             "attributes": {"AXParent": {"element": "nobody"}}}}]})",
         R"(scenario: windows[0].tree.attributes.AXParent.element names no element of the scenario: "nobody")"},
        {R"({"apps": [{"pid": 1, "focusedElement": "x"}], "windows": [{"windowId": 1, "pid": 1, "tree": {"id": "w"}}]})",
         R"(scenario: apps[0].focusedElement must be the id of an element in one of the app's windows, not "x")"},
        {R"({"apps": [{"pid": 1}, {"pid": 2, "focusedWindow": "w"}], "windows": [{"windowId": 1, "pid": 1, "tree": {"id": "w"}}]})",
         R"(scenario: apps[1].focusedWindow must be the tree id of one of the app's windows, not "w")"},
        {R"({"apps": [{"pid": 1}], "frontmost": 2})",
         "scenario: frontmost names no app of the scenario: pid 2"},
        {R"({"script": [{"at": 1, "do": {"closeWindow": 5}}]})",
         "scenario: script[0].do.closeWindow names no window of the scenario: 5"},
        {R"({"script": [{"at": 1, "when": {"posted": "keyDown"}, "do": {"lock": true}}]})",
         R"(scenario: script[0] needs exactly one of "at" and "when")"},
        {R"({"script": [{"when": {"posted": "keyPressed"}, "do": {"lock": true}}]})",
         R"(scenario: script[0].when.posted is not a known event kind: "keyPressed")"},
        {R"({"script": [{"when": {"posted": "keyDown", "count": 0}, "do": {"lock": true}}]})",
         "scenario: script[0].when.count must be an integer from 1 to 2147483647"},
        {R"({"script": [{"at": 1}]})", R"(scenario: script[0] needs a "do")"},
        {R"({"script": [{"at": 1, "do": {"tapDisabled": "boredom"}}]})",
         R"(scenario: script[0].do.tapDisabled must be "timeout" or "user_input")"},
        {R"({"session": 3})", "scenario: session must be an object or null"},
        {R"({"tap": "broken"})", R"(scenario: tap must be "ok", "uncreatable" or "unenablable")"},
        {R"({"permissions": {"camera": true}})", "scenario: permissions.camera is not a known key"},
        {R"({"displays": [{"frame": {"x": 0, "y": 0, "width": 10, "height": 10}, "scale": 0}]})",
         "scenario: displays[0].scale must be greater than 0"},
        {R"({"pointer": {"x": "1", "y": 2}})", "scenario: pointer.x must be a finite number"},
        {R"({"apps": [{"pid": 1, "name": {"bytes": "4b6"}}]})",
         "scenario: apps[0].name.bytes must have an even number of hexadecimal digits"},
        {R"({"apps": [{"pid": 1, "bundleId": {"bytes": "4g"}}]})",
         "scenario: apps[0].bundleId.bytes must hold only hexadecimal digits"},
        {R"({"apps": [{"pid": 1, "name": {"bytes": "+4"}}]})",
         "scenario: apps[0].name.bytes must hold only hexadecimal digits"},
        {R"({"apps": [{"pid": 1, "name": {"hex": "4b"}}]})",
         "scenario: apps[0].name.hex is not a known key"},
        {R"({"apps": [{"pid": 1, "name": {}}]})", R"(scenario: apps[0].name needs "bytes")"},
        {R"({"windows": [{"windowId": 1, "pid": 7, "title": 3}]})",
         R"(scenario: windows[0].title must be a string or {"bytes": "<hex>"})"},
        {R"({"apps": [{"pid": 1}], "windows": [{"windowId": 1, "pid": 1, "tree": {"id": {"bytes": "77"}}}]})",
         "scenario: windows[0].tree.id must be a string"},
    };
    for (const auto& [scenario, error] : cases) {
        EXPECT_EQ(refusal(scenario), error) << scenario;
    }
}

TEST(ScenarioParser, BrokenJsonIsRefusedWithItsPlace) {
    EXPECT_EQ(refusal("{\"apps\": [\n  {\"pid\": 1,}]}"),
              "scenario is not valid JSON: parse error at line 2, column 13: syntax error while "
              "parsing object "
              "key - unexpected '}'; expected string literal");
}

// The JSON parser quotes the bytes it stopped at; a refusal must still be text a log or a
// response can carry, whatever bytes the file held.
TEST(ScenarioParser, RefusalsOfBrokenBytesAreValidText) {
    const std::string invalid = "{\"apps\": [], \"windows\"\xff\xfe: []}";
    const std::string error = refusal(invalid);
    EXPECT_TRUE(error.starts_with("scenario is not valid JSON: parse error at line 1")) << error;
    EXPECT_TRUE(text::isValidUtf8(error)) << error;
    EXPECT_NE(error.find("\xEF\xBF\xBD"), std::string::npos) << error;
}

// A key with a line break or another control character in it is quoted in the refusal, which
// stays one line.
TEST(ScenarioParser, ARefusalQuotingAControlCharacterStaysOneLine) {
    EXPECT_EQ(refusal("{\"apps\": [{\"pid\": 1, \"\\rna\\u0001me\\n\": 2}]}"),
              "scenario: apps[0].\\rna\\u0001me\\n is not a known key");
}

// A number beyond a double's range is refused like any other malformed text, never thrown out
// of the loader.
TEST(ScenarioParser, ANumberBeyondADoubleIsRefused) {
    EXPECT_EQ(refusal(R"({"apps": [{"pid": 1e999}]})"),
              "scenario is not valid JSON: number overflow parsing '1e999'");
}

TEST(ScenarioParser, AnEmptyScenarioIsAnEmptyDesktopWithTheDefaults) {
    auto desktop = loadDesktop(R"({"someFutureKey": {"anything": 1}})");
    auto& platform = desktop->platform();
    EXPECT_TRUE(platform.workspace.runningApplications().empty());
    EXPECT_EQ(desktop->frontmostPid(), 0);
    EXPECT_EQ(desktop->pointerLocation(), (Point{0, 0}));
    EXPECT_EQ(platform.windowServer.copyCurrentSessionDictionary(),
              (Json{{"kCGSSessionOnConsoleKey", true}, {"kCGSessionLoginDoneKey", true}}));
    EXPECT_TRUE(platform.accessibility.isProcessTrusted(false));
    EXPECT_TRUE(platform.privacy.preflightScreenCaptureAccess());
    EXPECT_EQ(platform.privacy.checkAccess(platform::hidaccess::listenEvent),
              platform::hidaccess::granted);
    EXPECT_FALSE(platform.events.isSecureEventInputEnabled());
    const auto displays = platform.capture.displaysWithRect(Rect{{10, 10}, {100, 100}}, 8);
    ASSERT_EQ(displays.displays.size(), 1u);
    auto mode = platform.capture.displayMode(displays.displays[0]);
    ASSERT_TRUE(mode);
    EXPECT_EQ(mode->width, 1512);
    EXPECT_EQ(mode->pixelWidth, 3024);
}

TEST(ScenarioParser, RawBytesAreHandedOverAsTheyAre) {
    auto desktop = loadDesktop(R"({
      "apps": [{"pid": 1, "bundleId": {"bytes": "612eff"}, "name": {"bytes": "4B61FF"}}],
      "windows": [{"windowId": 1, "pid": 1, "title": {"bytes": "54e282"},
                   "frame": {"x": 0, "y": 0, "width": 100, "height": 100},
                   "tree": {"id": "w", "children": [
                     {"id": "b", "role": {"bytes": "c0af"}, "subrole": {"bytes": ""},
                      "description": {"bytes": "ff"}, "label": {"bytes": "fe"},
                      "value": {"bytes": "6869ed"}}]}}]})");
    auto& platform = desktop->platform();
    const auto apps = platform.workspace.runningApplications();
    ASSERT_EQ(apps.size(), 1u);
    EXPECT_EQ(apps[0].bundleIdentifier, "a.\xFF");
    EXPECT_EQ(apps[0].localizedName, "Ka\xFF");
    auto windows = platform.windowServer.copyWindowInfo(platform::windowlist::onScreenOnly, 0);
    ASSERT_TRUE(windows);
    EXPECT_EQ((*windows)[0]["kCGWindowName"].get<std::string>(), "T\xE2\x82");
    EXPECT_EQ(desktop->elementAttribute("w", "AXTitle"), Json("T\xE2\x82"))
        << "the window's tree takes the window's title";
    EXPECT_EQ(desktop->elementAttribute("b", "AXRole"), Json("\xC0\xAF"));
    EXPECT_EQ(desktop->elementAttribute("b", "AXSubrole"), Json(""));
    EXPECT_EQ(desktop->elementAttribute("b", "AXDescription"), Json("\xFF"));
    EXPECT_EQ(desktop->elementAttribute("b", "AXLabel"), Json("\xFE"));
    EXPECT_EQ(desktop->elementAttribute("b", "AXValue"), Json("hi\xED"));
}

TEST(ScenarioParser, SelfAndParentStandForTheProcessIds) {
    auto desktop = loadDesktop(
        R"({"apps": [{"pid": "self", "name": "Me"}, {"pid": "parent", "name": "Parent"}],
                                   "frontmost": "parent"})");
    auto& platform = desktop->platform();
    const auto apps = platform.workspace.runningApplications();
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(apps[0].processIdentifier, platform.process.ownPid());
    EXPECT_EQ(apps[1].processIdentifier, platform.process.parentPid());
    EXPECT_EQ(desktop->frontmostPid(), platform.process.parentPid());
}

TEST(ScenarioParser, FocusAndWindowDefaultsComeFromTheWindows) {
    auto desktop = loadDesktop(R"({
      "apps": [{"pid": 1, "name": "A"}],
      "windows": [{"windowId": 10, "pid": 1},
                  {"windowId": 11, "pid": 1, "title": "Second", "frame": {"x": 5, "y": 6, "width": 70, "height": 80},
                   "tree": {"id": "second"}},
                  {"windowId": 12, "pid": 1, "title": "Third", "tree": {"id": "third", "frame": null, "title": null}}]})");
    EXPECT_EQ(desktop->frontmostPid(), 1);
    EXPECT_EQ(desktop->elementAttribute("second", "AXRole"), Json("AXWindow"));
    EXPECT_EQ(desktop->elementAttribute("second", "AXTitle"), Json("Second"));
    EXPECT_EQ(desktop->elementAttribute("second", "AXPosition"), (Json{{"x", 5.0}, {"y", 6.0}}));
    EXPECT_EQ(desktop->elementAttribute("second", "AXSize"),
              (Json{{"width", 70.0}, {"height", 80.0}}));
    EXPECT_FALSE(desktop->elementAttribute("third", "AXPosition"));
    EXPECT_FALSE(desktop->elementAttribute("third", "AXTitle"));

    auto& ax = desktop->platform().accessibility;
    auto app = ax.createApplication(1);
    auto focused = ax.copyAttributeValue(app, "AXFocusedWindow");
    ASSERT_TRUE(focused.ok());
    auto windows = ax.copyAttributeValue(app, "AXWindows");
    ASSERT_TRUE(windows.ok());
    ASSERT_EQ(windows.value.array.size(), 2u);
    EXPECT_TRUE(ax.equal(focused.value.element, windows.value.array[0].element));
    EXPECT_EQ(ax.copyAttributeValue(app, "AXFocusedUIElement").status, -25212);
}

TEST(ScenarioParser, MissingFilesAreRefusedWithTheirPath) {
    std::string error;
    EXPECT_FALSE(SimulatedDesktop::loadFile("/nonexistent/desktop.json", error));
    EXPECT_EQ(error,
              "cannot read the scenario /nonexistent/desktop.json: No such file or directory");

    EXPECT_TRUE(SimulatedDesktop::loadFile(scenarioPath("slow-app.json"), error)) << error;
}

TEST(ScenarioParser, TheBuiltInDesktopIsTheDefaultScenarioFile) {
    EXPECT_EQ(defaultScenarioText, readScenario("default.json"));
    auto desktop = loadDesktop(defaultScenarioText);
    EXPECT_EQ(desktop->frontmostPid(), 501);
    EXPECT_EQ(desktop->elementAttribute("note-body", "AXFocused"), Json(true));
    EXPECT_EQ(desktop->elementAttribute("item-text-3", "AXValue"), Json("Brød"));
    EXPECT_EQ(desktop->elementAttribute("pin-field", "AXSubrole"), Json("AXSecureTextField"));
    const auto apps = desktop->platform().workspace.runningApplications();
    ASSERT_EQ(apps.size(), 4u);
    EXPECT_EQ(apps[2].bundleIdentifier, "com.apple.Terminal");
    EXPECT_EQ(apps[3].activationPolicy, platform::ActivationPolicy::prohibited);
}

} // namespace
} // namespace orvel::sim::testing
