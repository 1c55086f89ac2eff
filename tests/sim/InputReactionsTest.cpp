// How the simulated apps react to input without scenario effects: typing and deleting in the
// focused field, clicks that focus, press, raise and bring apps forward, and the pointer.
#include "SimTestSupport.hpp"

#include "platform/EventSystem.hpp"
#include "platform/sim/DefaultScenario.hpp"

#include <gtest/gtest.h>

namespace orvel::sim::testing {
namespace {

namespace type = platform::eventtype;

class InputReactions : public ::testing::Test {
  protected:
    std::unique_ptr<SimulatedDesktop> desktop = loadDesktop(defaultScenarioText);
    platform::EventSystem& events = desktop->platform().events;

    void type(const std::u16string& text) {
        auto down = *events.createKeyboardEvent(std::nullopt, 0, true);
        down.keyboardSetUnicodeString(text);
        auto up = *events.createKeyboardEvent(std::nullopt, 0, false);
        up.keyboardSetUnicodeString(text);
        events.post(down, 0);
        events.post(up, 0);
    }
    void press(std::uint16_t keyCode) {
        events.post(*events.createKeyboardEvent(std::nullopt, keyCode, true), 0);
        events.post(*events.createKeyboardEvent(std::nullopt, keyCode, false), 0);
    }
    void mouse(std::uint32_t eventType, Point at, std::uint32_t button = 0) {
        events.post(*events.createMouseEvent(std::nullopt, eventType, at, button), 0);
    }
    void click(Point at) {
        mouse(type::leftMouseDown, at);
        mouse(type::leftMouseUp, at);
    }
    Json value(const std::string& id) {
        return desktop->elementAttribute(id, "AXValue").value_or(Json());
    }
};

TEST_F(InputReactions, TypedCharactersGoToTheFocusedFieldOfTheFrontmostApp) {
    type(u"ø");
    type(u"\U0001F468\u200D\U0001F469\u200D\U0001F467"); // one character of five code points
    EXPECT_EQ(value("note-body"), Json("Melk, eggø\U0001F468\u200D\U0001F469\u200D\U0001F467"));
    press(51);
    EXPECT_EQ(value("note-body"), Json("Melk, eggø"));
    press(51);
    press(51);
    EXPECT_EQ(value("note-body"), Json("Melk, eg"));
    // Keys without text (an arrow, a lone half of a surrogate pair) type nothing sensible but
    // never anything invalid.
    press(123);
    type(u"\xD83D");
    EXPECT_EQ(value("note-body"), Json("Melk, eg\uFFFD"));

    // The terminal's text area takes the typing once the terminal is in front.
    desktop->apply({{"frontmost", 503}});
    type(u"ls");
    EXPECT_EQ(value("terminal-text"), Json("$ ls"));
    EXPECT_EQ(value("note-body"), Json("Melk, eg\uFFFD"));
}

TEST_F(InputReactions, FieldsWhoseValueIsNotSettableIgnoreTyping) {
    auto plain = loadDesktop(
        R"({"apps": [{"pid": 1, "focusedElement": "t"}], "windows": [{"windowId": 1, "pid": 1,
      "tree": {"id": "w", "children": [{"id": "t", "role": "AXTextField", "value": "fixed"}]}}]})");
    auto& plainEvents = plain->platform().events;
    auto down = *plainEvents.createKeyboardEvent(std::nullopt, 0, true);
    down.keyboardSetUnicodeString(u"x");
    plainEvents.post(down, 0);
    plainEvents.post(*plainEvents.createKeyboardEvent(std::nullopt, 51, true), 0);
    EXPECT_EQ(plain->elementAttribute("t", "AXValue"), Json("fixed"));
}

TEST_F(InputReactions, AClickFocusesWhatTakesFocusAndPressesWhatItWasReleasedOn) {
    click({600, 315}); // the password field
    EXPECT_EQ(desktop->elementAttribute("pin-field", "AXFocused"), Json(true));
    EXPECT_EQ(desktop->elementAttribute("note-body", "AXFocused"), Json(false));
    type(u"1");
    EXPECT_EQ(value("pin-field"), Json("1"));

    click({200, 227}); // "Lagre"
    EXPECT_EQ(value("save-status"), Json("Lagret"));
    // A button does not take keyboard focus.
    EXPECT_EQ(desktop->elementAttribute("pin-field", "AXFocused"), Json(true));

    // Pressed on the checkbox, released elsewhere: no press.
    mouse(type::leftMouseDown, {170, 268});
    mouse(type::leftMouseUp, {600, 600});
    EXPECT_EQ(value("done-checkbox"), Json(0));
    // A right click presses nothing.
    mouse(type::rightMouseDown, {170, 268}, 1);
    mouse(type::rightMouseUp, {170, 268}, 1);
    EXPECT_EQ(value("done-checkbox"), Json(0));
    click({170, 268});
    EXPECT_EQ(value("done-checkbox"), Json(1));

    desktop->apply(
        {{"set", {{"element", "save-button"}, {"attribute", "AXEnabled"}, {"value", false}}}});
    desktop->apply(
        {{"set",
          {{"element", "save-status"}, {"attribute", "AXValue"}, {"value", "Ikke lagret"}}}});
    click({200, 227});
    EXPECT_EQ(value("save-status"), Json("Ikke lagret"));
}

TEST_F(InputReactions, AClickOnAnotherAppsWindowBringsItForward) {
    // The calendar lies behind the notes window; this point is only on the calendar.
    click({1000, 700});
    EXPECT_EQ(desktop->frontmostPid(), 502);
    EXPECT_EQ(desktop->windowOrder(), (std::vector<std::uint32_t>{102, 12, 201, 101, 301}));
    // Now in front, the calendar takes the click where the two overlap.
    click({860, 550});
    EXPECT_EQ(value("calendar-event"), Json("Julaften, hele dagen"));

    // A click on the terminal where nothing overlaps it.
    click({300, 900});
    EXPECT_EQ(desktop->frontmostPid(), 503);
    EXPECT_EQ(desktop->elementAttribute("terminal-text", "AXFocused"), Json(true));
}

TEST_F(InputReactions, ThePointerFollowsMouseEventsOnly) {
    mouse(type::mouseMoved, {33, 44});
    EXPECT_EQ(desktop->pointerLocation(), (Point{33, 44}));
    EXPECT_EQ(events.currentPointerLocation(), (Point{33, 44}));
    mouse(type::leftMouseDragged, {35, 46});
    EXPECT_EQ(desktop->pointerLocation(), (Point{35, 46}));
    events.post(*events.createScrollWheelEvent(std::nullopt, 0, 2, -120, 0, 0), 0);
    press(4);
    EXPECT_EQ(desktop->pointerLocation(), (Point{35, 46}));
    // Keyboard and scroll events are made where the pointer is.
    EXPECT_EQ(events.createKeyboardEvent(std::nullopt, 4, true)->location, (Point{35, 46}));
    EXPECT_EQ(events.createScrollWheelEvent(std::nullopt, 0, 2, 1, 2, 3)->wheel3, 0);

    auto nowhere = loadDesktop(R"({"pointer": null})");
    EXPECT_FALSE(nowhere->platform().events.currentPointerLocation());
}

} // namespace
} // namespace orvel::sim::testing
