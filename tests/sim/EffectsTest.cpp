// Effects run by presses, named actions and value changes, the built-in raise and value
// change, and the effects and script actions applied directly.
#include "SimTestSupport.hpp"

#include "platform/AccessibilityService.hpp"
#include "platform/sim/DefaultScenario.hpp"

#include <gtest/gtest.h>

#include <stdexcept>

namespace orvel::sim::testing {
namespace {

namespace ax = platform::ax;
using platform::ElementHandle;

class Effects : public ::testing::Test {
  protected:
    std::unique_ptr<SimulatedDesktop> desktop = loadDesktop(defaultScenarioText);
    platform::AccessibilityService& ax = desktop->platform().accessibility;

    // The element with `id` in the default desktop, found by walking the app's tree.
    ElementHandle find(std::int32_t pid, const std::string& title) {
        auto app = ax.createApplication(pid);
        std::vector<ElementHandle> queue;
        for (const auto& window : ax.copyAttributeValue(app, "AXWindows").value.array) {
            queue.push_back(window.element);
        }
        while (!queue.empty()) {
            auto next = queue.front();
            queue.erase(queue.begin());
            auto named = ax.copyAttributeValue(next, "AXTitle");
            auto described = ax.copyAttributeValue(next, "AXDescription");
            if ((named.ok() && named.value.string == title) ||
                (described.ok() && described.value.string == title)) {
                return next;
            }
            for (const auto& child : ax.copyAttributeValue(next, "AXChildren").value.array) {
                queue.push_back(child.element);
            }
        }
        ADD_FAILURE() << "no element " << title;
        return {};
    }
};

TEST_F(Effects, PressingRunsTheElementsEffects) {
    EXPECT_EQ(ax.performAction(find(501, "Lagre"), "AXPress"), ax::success);
    EXPECT_EQ(desktop->elementAttribute("save-status", "AXValue"), Json("Lagret"));

    EXPECT_EQ(ax.performAction(find(501, "Ferdig handlet"), "AXPress"), ax::success);
    EXPECT_EQ(desktop->elementAttribute("done-checkbox", "AXValue"), Json(1));

    // "Mer" opens the menu overlay, whose items close it again.
    EXPECT_EQ(ax.performAction(find(501, "Mer"), "AXPress"), ax::success);
    const auto onScreen = [&] {
        auto list = desktop->platform().windowServer.copyWindowInfo(17, 0);
        return std::count_if(list->begin(), list->end(),
                             [](const Json& window) { return window["kCGWindowNumber"] == 102; });
    };
    EXPECT_EQ(onScreen(), 1);
    desktop->apply({{"hideWindow", 102}});
    EXPECT_EQ(onScreen(), 0);
}

TEST_F(Effects, ScriptedActionErrorsStopTheAction) {
    auto scripted = loadDesktop(
        R"({"apps": [{"pid": 1}], "windows": [{"windowId": 1, "pid": 1, "tree": {"id": "w",
      "children": [
        {"id": "b", "role": "AXButton", "actions": ["AXPress", "AXShowMenu"], "actionErrors": {"AXPress": -25200},
         "on": {"AXPress": [{"set": {"element": "t", "attribute": "AXValue", "value": "pressed"}}],
                "AXShowMenu": [{"set": {"element": "t", "attribute": "AXValue", "value": "menu"}}]}},
        {"id": "t", "role": "AXTextField", "value": "start", "settable": ["AXValue"], "actionErrors": {"setValue": -25200}},
        {"id": "f", "role": "AXTextField", "settable": ["AXFocused"]}]}}]})");
    auto& sax = scripted->platform().accessibility;
    auto window = sax.copyAttributeValue(sax.createApplication(1), "AXFocusedWindow").value.element;
    auto items = sax.copyAttributeValue(window, "AXChildren").value.array;
    EXPECT_EQ(sax.performAction(items[0].element, "AXPress"), -25200);
    EXPECT_EQ(scripted->elementAttribute("t", "AXValue"), Json("start"));
    EXPECT_EQ(sax.performAction(items[0].element, "AXShowMenu"), ax::success);
    EXPECT_EQ(scripted->elementAttribute("t", "AXValue"), Json("menu"));
    EXPECT_EQ(sax.setAttributeValue(items[1].element, "AXValue", "changed"), -25200);
    EXPECT_EQ(scripted->elementAttribute("t", "AXValue"), Json("menu"));
    EXPECT_EQ(sax.setAttributeValue(items[2].element, "AXValue", "x"), ax::attributeUnsupported);
    EXPECT_EQ(sax.setAttributeValue(items[2].element, "AXFocused", "x"), -25201);
}

TEST_F(Effects, SettingAValueStoresItAndRunsItsEffects) {
    auto withEffect = loadDesktop(
        R"({"apps": [{"pid": 1}], "windows": [{"windowId": 1, "pid": 1, "tree": {"id": "w",
      "children": [{"id": "t", "role": "AXTextField", "value": 7, "settable": ["AXValue"],
                    "on": {"setValue": [{"set": {"element": "echo", "attribute": "AXValue", "value": "changed"}}]}},
                   {"id": "echo", "role": "AXStaticText"}]}}]})");
    auto& sax = withEffect->platform().accessibility;
    auto window = sax.copyAttributeValue(sax.createApplication(1), "AXFocusedWindow").value.element;
    auto field = sax.copyAttributeValue(window, "AXChildren").value.array.at(0).element;
    EXPECT_FALSE(withEffect->elementAttribute("echo", "AXValue"));
    EXPECT_EQ(sax.setAttributeValue(field, "AXValue", "ny tekst"), ax::success);
    EXPECT_EQ(sax.copyAttributeValue(field, "AXValue").value.string, "ny tekst");
    EXPECT_EQ(withEffect->elementAttribute("echo", "AXValue"), Json("changed"));
    EXPECT_EQ(sax.setAttributeValue(sax.createApplication(1), "AXValue", "x"),
              ax::attributeUnsupported);
}

TEST_F(Effects, RaisingAWindowFocusesItAndBringsItForwardWithinItsLayer) {
    desktop->apply({{"showWindow", 102}});
    EXPECT_EQ(desktop->windowOrder(), (std::vector<std::uint32_t>{102, 12, 101, 201, 301}));
    auto terminal = ax.createApplication(503);
    auto window = ax.copyAttributeValue(terminal, "AXFocusedWindow").value.element;
    // Windows raise whether or not they list the action.
    auto calendar =
        ax.copyAttributeValue(ax.createApplication(502), "AXFocusedWindow").value.element;
    EXPECT_EQ(ax.performAction(calendar, "AXRaise"), ax::success);
    EXPECT_EQ(ax.performAction(window, "AXRaise"), ax::success);
    EXPECT_EQ(desktop->windowOrder(), (std::vector<std::uint32_t>{102, 12, 301, 201, 101}));
    EXPECT_EQ(desktop->frontmostPid(), 501);
}

TEST_F(Effects, AppliedEffectsChangeTheWorld) {
    desktop->apply(
        {{"add",
          {{"parent", "items-list"},
           {"element",
            {{"id", "item-row-5"},
             {"role", "AXRow"},
             {"children",
              {{{"id", "item-text-5"}, {"role", "AXStaticText"}, {"value", "Ost"}}}}}}}}});
    EXPECT_EQ(desktop->elementAttribute("items-list", "AXChildren")->back(),
              (Json{{"element", "item-row-5"}}));
    EXPECT_EQ(desktop->elementAttribute("item-text-5", "AXWindow"),
              (Json{{"element", "notes-window"}}));

    desktop->apply({{"focus", "pin-field"}});
    EXPECT_EQ(desktop->elementAttribute("pin-field", "AXFocused"), Json(true));
    EXPECT_EQ(desktop->elementAttribute("note-body", "AXFocused"), Json(false));

    desktop->apply({{"moveWindow", {{"windowId", 101}, {"dx", 10}, {"dy", -5}}}});
    EXPECT_EQ(desktop->elementAttribute("notes-window", "AXPosition"),
              (Json{{"x", 150.0}, {"y", 85.0}}));
    EXPECT_EQ(desktop->elementAttribute("save-button", "AXPosition"),
              (Json{{"x", 174.0}, {"y", 207.0}}));
    auto list = desktop->platform().windowServer.copyWindowInfo(16, 0);
    EXPECT_EQ((*list)[2]["kCGWindowBounds"]["X"], 150.0);

    desktop->apply({{"set", {{"element", "save-button"}, {"attribute", "AXRole"}, {"value", 7}}}});
    EXPECT_EQ(desktop->elementAttribute("save-button", "AXRole"), Json(7));
    desktop->apply(
        {{"set", {{"element", "save-button"}, {"attribute", "AXRole"}, {"value", "AXLink"}}}});
    EXPECT_EQ(desktop->elementAttribute("save-button", "AXRole"), Json("AXLink"));
    desktop->apply(
        {{"set", {{"element", "save-button"}, {"attribute", "frame"}, {"value", nullptr}}}});
    EXPECT_FALSE(desktop->elementAttribute("save-button", "AXSize"));

    desktop->apply({{"secureInput", true}});
    EXPECT_TRUE(desktop->platform().events.isSecureEventInputEnabled());
    desktop->apply({{"frontmost", 503}});
    EXPECT_EQ(desktop->frontmostPid(), 503);

    desktop->apply({{"closeWindow", 101}});
    EXPECT_FALSE(desktop->elementAttribute("note-body", "AXValue"));
    auto notes = ax.createApplication(501);
    EXPECT_EQ(ax.copyAttributeValue(notes, "AXWindows").value.array.size(), 0u);
    EXPECT_EQ(ax.copyAttributeValue(notes, "AXFocusedWindow").status, -25212);

    desktop->apply({{"quit", 503}});
    EXPECT_EQ(desktop->frontmostPid(), 0);
    EXPECT_FALSE(desktop->platform().workspace.runningApplication(503));
    EXPECT_EQ(desktop->windowOrder(), (std::vector<std::uint32_t>{102, 12, 201}));
}

TEST_F(Effects, ApplyRefusesWhatIsNoEffect) {
    try {
        desktop->apply({{"teleport", 1}});
        FAIL() << "accepted";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "action.teleport is not a known effect");
    }
    EXPECT_THROW(desktop->apply({{"closeWindow", "101"}}), std::invalid_argument);
    // What an applied action names need not exist: it then does nothing.
    desktop->apply({{"remove", "no-such-element"}});
    desktop->apply({{"closeWindow", 4242}});
    EXPECT_EQ(desktop->windowOrder().size(), 5u);
}

TEST_F(Effects, EffectsThatClickThemselvesStopInsteadOfRecursingForever) {
    auto looping = loadDesktop(R"({"pointer": {"x": 20, "y": 20}, "apps": [{"pid": 1}],
      "windows": [{"windowId": 1, "pid": 1, "frame": {"x": 0, "y": 0, "width": 100, "height": 100}, "tree": {"id": "w",
        "children": [{"id": "b", "role": "AXButton", "actions": ["AXPress"],
                      "frame": {"x": 10, "y": 10, "width": 50, "height": 50},
                      "on": {"AXPress": [{"userInput": "leftMouseDown"}, {"userInput": "leftMouseUp"}]}}]}}]})");
    looping->apply({{"userInput", "leftMouseDown"}});
    looping->apply({{"userInput", "leftMouseUp"}});
    const auto entries = looping->eventLog().size();
    EXPECT_GT(entries, 4u);
    EXPECT_LT(entries, 64u);
}

} // namespace
} // namespace orvel::sim::testing
