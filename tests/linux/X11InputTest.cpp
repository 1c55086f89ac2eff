// The X11 event system against a real GTK form on the private desktop session: what it posts
// reaches the application (typed text read back over the accessibility bus, a click that changes
// a label), keys and buttons it pressed are down on the server exactly until their up events,
// spare keycodes lent to characters go back to the keymap (once idle, and when the desktop goes),
// and its tap tells the program's events from the user's, witnessed by a connection of the
// test's own.
#include "linux/support/InputWitness.hpp"
#include "linux/support/PrivateSession.hpp"
#include "linux/support/RunningApp.hpp"
#include "linux/support/RunningDesktop.hpp"
#include "linux/support/TreeSearch.hpp"

#include "OrvelControlCore/Keymap.hpp"
#include "platform/Event.hpp"

#include <X11/extensions/XI2.h>
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace orvel::testing {
namespace {

using namespace std::chrono_literals;
namespace eventtype = platform::eventtype;

constexpr std::int64_t signature = 0x5eed;

// The UTF-16 units of each character of a UTF-8 text, one entry per character.
std::vector<std::u16string> charactersOf(const std::u32string& text) {
    std::vector<std::u16string> characters;
    for (const char32_t point : text) {
        std::u16string units;
        if (point >= 0x10000) {
            units.push_back(static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(point));
        }
        characters.push_back(units);
    }
    return characters;
}

struct Judged {
    std::uint32_t type;
    std::int64_t userData;
};

class X11Input : public ::testing::Test {
  protected:
    void SetUp() override {
        ORVEL_REQUIRE_PRIVATE_SESSION();
        std::string whyNot;
        auto options = PrivateSession::desktopOptions(whyNot);
        ASSERT_TRUE(options) << whyNot;
        service = linuxdesktop::AtspiAccessibility::fromEnvironment();
        form = RunningApp::startTestApp(*service, "form.py", "Skjema");
        ASSERT_NE(form, nullptr);
        std::string error;
        desktop = RunningDesktop::open(*options, service, service, error);
        ASSERT_NE(desktop, nullptr) << error;
        witness = InputWitness::open(options->display);
        ASSERT_NE(witness, nullptr);
        source = events().createSource(platform::eventsource::hidSystemState);
        ASSERT_TRUE(source);
        events().setSourceUserData(*source, signature);
        elements = walkTree(*service, form->window());
    }

    void TearDown() override {
        if (!witness) {
            return;
        }
        desktop.reset();
        EXPECT_EQ(witness->keysDown(), std::vector<unsigned int>{}) << "a key stayed down";
        EXPECT_EQ(witness->buttonsDown(), 0U) << "a button stayed down";
        EXPECT_EQ(witness->remappedSpareKeycodes(), std::vector<unsigned int>{})
            << "a lent keycode was not given back";
    }

    platform::EventSystem& events() { return desktop->platform().events; }

    Point centreOf(const std::string& role, const std::string& title = "") {
        auto found = findElement(elements, role, title, "");
        EXPECT_TRUE(found) << role << " " << title;
        if (!found) {
            return {};
        }
        auto position = service->copyAttributeValue(found->element, "AXPosition");
        auto size = service->copyAttributeValue(found->element, "AXSize");
        const auto origin = position.value.point;
        const auto extent = size.value.size;
        return {origin.x + extent.width / 2, origin.y + extent.height / 2};
    }

    std::string valueOf(const std::string& role, const std::string& title = "") {
        auto found = findElement(elements, role, title, "");
        return found ? textOf(*service, found->element, "AXValue").value_or("") : "";
    }

    void post(std::uint32_t type, Point at = {}, std::uint32_t button = 0) {
        auto event = events().createMouseEvent(source, type, at, button);
        ASSERT_TRUE(event);
        events().post(*event, platform::eventtap::hidLocation);
    }

    // Clicks into the name field and waits until it has the keyboard focus: the window manager
    // gives the window the focus on the click, a little later.
    void focusName() {
        click(centreOf("AXTextField"));
        auto name = findElement(elements, "AXTextField", "", "");
        ASSERT_TRUE(name);
        ASSERT_TRUE(waitUntil([&] { return textOf(*service, name->element, "AXFocused") == "1"; }))
            << "the name field never had the focus";
        ASSERT_TRUE(waitUntil([&] { return witness->focusOnAWindow(); }))
            << "the window manager never focused the window";
    }

    void click(Point at) {
        post(eventtype::mouseMoved, at);
        post(eventtype::leftMouseDown, at);
        post(eventtype::leftMouseUp, at);
    }

    platform::Event key(std::uint16_t code, bool down, std::uint64_t flags = 0,
                        std::u16string text = {}) {
        auto event = events().createKeyboardEvent(source, code, down);
        EXPECT_TRUE(event);
        event->setFlags(flags);
        event->keyboardSetUnicodeString(std::move(text));
        return *event;
    }

    void press(std::uint16_t code, std::uint64_t flags = 0) {
        events().post(key(code, true, flags), platform::eventtap::hidLocation);
        events().post(key(code, false, flags), platform::eventtap::hidLocation);
    }

    void type(const std::u32string& text) {
        for (const auto& character : charactersOf(text)) {
            events().post(key(0, true, 0, character), platform::eventtap::hidLocation);
            events().post(key(0, false, 0, character), platform::eventtap::hidLocation);
            std::this_thread::sleep_for(6ms);
        }
    }

    // Installs the tap on the loop's thread, as the program's listener does, recording what it
    // judges.
    void listen() {
        auto& loop = desktop->platform().mainLoop;
        const bool installed = loop.runSync([this] {
            auto tap = events().createTap(
                platform::eventtap::sessionLocation, platform::eventtap::headInsert,
                platform::eventtap::listenOnly, ~std::uint64_t{0},
                [this](std::uint32_t type, const platform::Event& e) {
                    std::lock_guard lock(judgedMutex);
                    judged.push_back(
                        {type, e.integerValueField(platform::eventfield::eventSourceUserData)});
                });
            if (!tap) {
                return false;
            }
            auto runLoopSource = events().createRunLoopSource(*tap);
            events().addSourceToMainRunLoop(*runLoopSource);
            events().enableTap(*tap, true);
            return events().isTapEnabled(*tap);
        });
        ASSERT_TRUE(installed);
    }

    std::vector<Judged> judgedSoFar() {
        std::lock_guard lock(judgedMutex);
        return judged;
    }

    std::shared_ptr<linuxdesktop::AtspiAccessibility> service;
    std::unique_ptr<RunningApp> form;
    std::unique_ptr<RunningDesktop> desktop;
    std::unique_ptr<InputWitness> witness;
    std::optional<platform::EventSourceRef> source;
    std::vector<FoundElement> elements;
    std::mutex judgedMutex;
    std::vector<Judged> judged; // guarded by judgedMutex
};

TEST_F(X11Input, AClickOnARealButtonPressesIt) {
    click(centreOf("AXButton", "Lagre"));
    EXPECT_TRUE(waitUntil([&] {
        return findElement(walkTree(*service, form->window()), "AXStaticText", "Lagret")
            .has_value();
    })) << "the button's label did not change";
}

TEST_F(X11Input, TypedTextOfAnyCharacterReadsBackExactly) {
    focusName();
    press(0, Keymap::maskControl); // select all, so that the typing replaces the name
    type(U"Melk, egg, brød — 3 stk æøå €");
    EXPECT_TRUE(waitUntil([&] {
        return valueOf("AXTextField") == "Melk, egg, brød — 3 stk æøå €";
    })) << valueOf("AXTextField");
}

// Caps Lock left on by the person changes the case of letters, on the keymap's keys and on
// lent ones; the typed text must still be exactly what was asked for, and Caps Lock stay on.
TEST_F(X11Input, TypedTextReadsBackExactlyWithCapsLockOn) {
    focusName();
    press(0, Keymap::maskControl);
    ASSERT_TRUE(witness->lockCapsLock(true));
    type(U"Hei, Ola! æøå ÆØÅ αΩ ß€");
    const bool exact =
        waitUntil([&] { return valueOf("AXTextField") == "Hei, Ola! æøå ÆØÅ αΩ ß€"; });
    EXPECT_TRUE(witness->capsLocked()) << "Caps Lock was not left as the person left it";
    witness->lockCapsLock(false);
    EXPECT_TRUE(exact) << valueOf("AXTextField");
}

TEST_F(X11Input, MoreDistinctCharactersThanSpareKeycodesAllArrive) {
    focusName();
    press(0, Keymap::maskControl);
    std::u32string text;
    for (char32_t point = U'α'; point < U'α' + 24; ++point) {
        text.push_back(point);
    }
    text += U"😀";
    type(text);
    std::string expected = "αβγδεζηθικλμνξοπρςστυφχψ😀";
    EXPECT_TRUE(waitUntil([&] { return valueOf("AXTextField") == expected; }, 5000ms))
        << valueOf("AXTextField");
}

TEST_F(X11Input, ADoubleClickSelectsAWord) {
    focusName();
    auto name = findElement(elements, "AXTextField", "", "");
    auto position = service->copyAttributeValue(name->element, "AXPosition").value.point;
    auto size = service->copyAttributeValue(name->element, "AXSize").value.size;
    // Near the end of "Ola Nordmann", inside the second word.
    const Point inWord{position.x + 70, position.y + size.height / 2};
    // Well after the focusing click, so that the two clicks below are a pair of their own.
    std::this_thread::sleep_for(500ms);
    click(inWord);
    std::this_thread::sleep_for(60ms);
    click(inWord);
    std::this_thread::sleep_for(100ms);
    type(U"X");
    EXPECT_TRUE(waitUntil([&] { return valueOf("AXTextField") == "Ola X"; }))
        << valueOf("AXTextField");
}

TEST_F(X11Input, ADragMovesARealSlider) {
    auto slider = findElement(elements, "AXSlider", "", "");
    ASSERT_TRUE(slider);
    auto position = service->copyAttributeValue(slider->element, "AXPosition").value.point;
    auto size = service->copyAttributeValue(slider->element, "AXSize").value.size;
    const double y = position.y + size.height / 2;
    const Point from{position.x + size.width * 0.4, y};
    const Point to{position.x + size.width * 0.85, y};
    post(eventtype::mouseMoved, from);
    post(eventtype::leftMouseDown, from);
    for (int step = 1; step <= 10; ++step) {
        post(eventtype::leftMouseDragged, {from.x + (to.x - from.x) * step / 10, y});
        std::this_thread::sleep_for(12ms);
    }
    post(eventtype::leftMouseUp, to);
    EXPECT_TRUE(waitUntil([&] {
        return std::stoi(valueOf("AXSlider").empty() ? "0" : valueOf("AXSlider")) >= 75;
    })) << valueOf("AXSlider");
}

TEST_F(X11Input, KeysAreDownExactlyUntilTheirUpEvent) {
    const auto control = witness->keycodeOf(XK_Control_L);
    const auto a = witness->keycodeOf(XK_a);
    events().post(key(0, true, Keymap::maskControl), platform::eventtap::hidLocation);
    EXPECT_TRUE(waitUntil([&] {
        const auto down = witness->keysDown();
        return down == std::vector<unsigned int>{std::min(control, a), std::max(control, a)};
    })) << "Control and A down, nothing else";
    // The up lifts what the down pressed, modifier included, whatever its own flags say.
    events().post(key(0, false), platform::eventtap::hidLocation);
    EXPECT_TRUE(waitUntil([&] { return witness->keysDown().empty(); }));
}

TEST_F(X11Input, AButtonIsDownExactlyUntilItsUpEvent) {
    const Point at = centreOf("AXButton", "Lagre");
    post(eventtype::leftMouseDown, at);
    EXPECT_TRUE(waitUntil([&] { return witness->buttonsDown() != 0; }));
    post(eventtype::leftMouseUp, at);
    EXPECT_TRUE(waitUntil([&] { return witness->buttonsDown() == 0; }));
}

TEST_F(X11Input, WhatIsStillHeldIsLiftedWhenTheDesktopGoes) {
    post(eventtype::leftMouseDown, centreOf("AXButton", "Lagre"));
    events().post(key(0, true, 0, u"ø"), platform::eventtap::hidLocation);
    EXPECT_TRUE(waitUntil([&] { return !witness->keysDown().empty(); }));
    EXPECT_FALSE(witness->remappedSpareKeycodes().empty()) << "ø has no key of its own";
    // TearDown destroys the desktop and finds nothing down and the keymap as it was.
}

TEST_F(X11Input, LentKeycodesGoBackOnceIdle) {
    focusName();
    type(U"æøå");
    EXPECT_EQ(witness->remappedSpareKeycodes().size(), 3U);
    EXPECT_TRUE(waitUntil([&] { return witness->remappedSpareKeycodes().empty(); }, 3000ms));
    EXPECT_TRUE(waitUntil([&] { return valueOf("AXTextField").find("æøå") != std::string::npos; }))
        << valueOf("AXTextField");
}

TEST_F(X11Input, AScrollIsOneWheelClickPerNotch) {
    witness->startRecording();
    auto event =
        events().createScrollWheelEvent(source, platform::scrollunit::pixel, 2, -120, 0, 0);
    ASSERT_TRUE(event);
    events().post(*event, platform::eventtap::hidLocation);
    const auto recorded = witness->recorded(200ms);
    const auto downClicks = std::count_if(recorded.begin(), recorded.end(), [](const auto& e) {
        return e.type == XI_RawButtonPress && e.detail == 5;
    });
    EXPECT_EQ(downClicks, 3);
}

TEST_F(X11Input, AScrollMovesARealList) {
    auto list = RunningApp::startTestApp(*service, "scroll-list.py", "Liste");
    ASSERT_NE(list, nullptr);
    // The first row moves up, out of the window, as the list scrolls down.
    const auto listElements = walkTree(*service, list->window(), 400);
    auto firstRow = findElement(listElements, "AXStaticText", "Rad 1");
    ASSERT_TRUE(firstRow) << "the list has no first row";
    const auto top = [&] {
        return service->copyAttributeValue(firstRow->element, "AXPosition").value.point.y;
    };
    const double before = top();
    const auto origin = service->copyAttributeValue(list->window(), "AXPosition").value.point;
    const auto extent = service->copyAttributeValue(list->window(), "AXSize").value.size;
    post(eventtype::mouseMoved, {origin.x + extent.width / 2, origin.y + extent.height / 2});
    std::this_thread::sleep_for(100ms);
    auto event =
        events().createScrollWheelEvent(source, platform::scrollunit::pixel, 1, -120, 0, 0);
    ASSERT_TRUE(event);
    events().post(*event, platform::eventtap::hidLocation);
    EXPECT_TRUE(waitUntil([&] { return top() < before - 20; }))
        << "the list did not scroll: the first row stays at " << top() << " from " << before;
}

TEST_F(X11Input, TheTapTellsTheProgramsEventsFromTheUsers) {
    listen();
    post(eventtype::mouseMoved, {300, 300});
    press(49);
    ASSERT_TRUE(events().awaitTapDelivery(1s));
    auto seen = judgedSoFar();
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::all_of(seen.begin(), seen.end(),
                            [](const Judged& j) { return j.userData == signature; }));
    ASSERT_TRUE(witness->userPressesKey(witness->keycodeOf(XK_space)));
    ASSERT_TRUE(witness->userMovesPointer(310, 310));
    EXPECT_TRUE(waitUntil([&] {
        auto now = judgedSoFar();
        return std::count_if(now.begin(), now.end(),
                             [](const Judged& j) { return j.userData == 0; }) >= 3;
    })) << "the user's key down, key up and move";
}

TEST_F(X11Input, AnotherClientsXTestEventsCountAsTheUsers) {
    listen();
    post(eventtype::mouseMoved, {300, 300});
    ASSERT_TRUE(events().awaitTapDelivery(1s));
    ASSERT_TRUE(witness->anotherClientMovesPointer(320, 320));
    EXPECT_TRUE(waitUntil([&] {
        auto now = judgedSoFar();
        return std::any_of(now.begin(), now.end(), [](const Judged& j) {
            return j.type == eventtype::mouseMoved && j.userData == 0;
        });
    })) << "an XTest motion the program did not post";
}

TEST_F(X11Input, DeliveryIsConfirmedOnlyWithAListeningTap) {
    post(eventtype::mouseMoved, {300, 300});
    EXPECT_FALSE(events().awaitTapDelivery(100ms)) << "nothing listens yet";
    listen();
    post(eventtype::mouseMoved, {305, 305});
    EXPECT_TRUE(events().awaitTapDelivery(1s));
}

} // namespace
} // namespace orvel::testing
