// The accessibility service against real GTK applications on the private desktop session:
// what it reads, how it fails, and what it changes, witnessed on the bus itself.
#include "linux/support/BusMonitor.hpp"
#include "linux/support/PrivateSession.hpp"
#include "linux/support/RunningApp.hpp"
#include "linux/support/TreeSearch.hpp"
#include "platform/linux/atspi/AtspiCalls.hpp"
#include "platform/linux/atspi/AtspiElement.hpp"
#include "platform/linux/atspi/AtspiProtocol.hpp"
#include "platform/linux/atspi/ReplyReaders.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace orvel::testing {
namespace {

namespace ax = platform::ax;
using linuxdesktop::AtspiAccessibility;
using linuxdesktop::AtspiElement;
using linuxdesktop::BusConnection;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A connection of the test's own, to ask the application directly what the service changed.
std::unique_ptr<BusConnection> rawBus() {
    std::string error;
    return BusConnection::open(std::getenv("AT_SPI_BUS_ADDRESS"), 2s, error);
}

const linuxdesktop::ObjectRef& refOf(const platform::ElementHandle& element) {
    return AtspiElement::of(element)->ref();
}

// Polls `condition` for up to two seconds: GTK carries out actions from its main loop, just
// after answering the call that asked for them.
template <class Condition> bool eventually(Condition condition) {
    auto until = Clock::now() + 2s;
    while (Clock::now() < until) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(20ms);
    }
    return condition();
}

class AtspiServiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ORVEL_REQUIRE_PRIVATE_SESSION();
        service = AtspiAccessibility::fromEnvironment();
        form = RunningApp::startTestApp(*service, "form.py", "Skjema");
        ASSERT_NE(form, nullptr) << "the test form did not appear on the accessibility bus";
        elements = walkTree(*service, form->window());
    }

    FoundElement element(const std::string& role, const std::string& title = "",
                         const std::optional<std::string>& subrole = std::nullopt) {
        auto found = findElement(elements, role, title, subrole);
        EXPECT_TRUE(found) << "no " << role << " " << title << " " << subrole.value_or("");
        return found.value_or(FoundElement{});
    }

    std::unique_ptr<AtspiAccessibility> service;
    std::unique_ptr<RunningApp> form;
    std::vector<FoundElement> elements;
};

TEST_F(AtspiServiceTest, AKnownWindowReadsWithItsRolesLabelsAndFrames) {
    EXPECT_EQ(textOf(*service, form->window(), "AXRole"), "AXWindow");
    EXPECT_EQ(textOf(*service, form->window(), "AXSubrole"), "AXStandardWindow");
    EXPECT_EQ(textOf(*service, form->window(), "AXTitle"), "Skjema");
    auto position = service->copyAttributeValue(form->window(), "AXPosition");
    auto size = service->copyAttributeValue(form->window(), "AXSize");
    ASSERT_TRUE(position.ok() && size.ok());
    EXPECT_EQ(position.value.point.x, 100);
    EXPECT_EQ(position.value.point.y, 80);
    EXPECT_GE(size.value.size.width, 480);
    EXPECT_GE(size.value.size.height, 360);

    EXPECT_EQ(textOf(*service, element("AXStaticText", "Navn").element, "AXValue"), "Navn");
    auto entry = element("AXTextField", "", "");
    EXPECT_EQ(entry.subrole, "");
    EXPECT_EQ(textOf(*service, entry.element, "AXValue"), "Ola Nordmann");
    EXPECT_EQ(textOf(*service, element("AXCheckBox", "Lys", "AXToggle").element, "AXValue"), "0");
    EXPECT_EQ(textOf(*service, element("AXCheckBox", "Godta vilkår").element, "AXValue"), "0");
    EXPECT_EQ(textOf(*service, element("AXSlider").element, "AXValue"), "40");
    auto save = element("AXButton", "Lagre");
    EXPECT_EQ(service->copyActionNames(save.element).value, std::vector<std::string>{"AXPress"});
    EXPECT_EQ(textOf(*service, save.element, "AXEnabled"), "1");

    // Every laid-out element lies inside its window.
    for (const auto& found : elements) {
        auto at = service->copyAttributeValue(found.element, "AXPosition");
        auto extent = service->copyAttributeValue(found.element, "AXSize");
        if (!at.ok() || !extent.ok()) {
            continue;
        }
        EXPECT_GE(at.value.point.x, position.value.point.x) << found.role << " " << found.title;
        EXPECT_GE(at.value.point.y, position.value.point.y) << found.role << " " << found.title;
        EXPECT_LE(at.value.point.x + extent.value.size.width,
                  position.value.point.x + size.value.size.width);
        EXPECT_LE(at.value.point.y + extent.value.size.height,
                  position.value.point.y + size.value.size.height);
    }
}

TEST_F(AtspiServiceTest, TheApplicationKnowsItsWindowsFocusAndProcess) {
    auto windows = service->copyAttributeValue(form->application(), "AXWindows");
    ASSERT_TRUE(windows.ok());
    ASSERT_EQ(windows.value.array.size(), 1U);
    EXPECT_TRUE(service->equal(windows.value.array[0].element, form->window()));
    EXPECT_EQ(textOf(*service, form->application(), "AXRole"), "AXApplication");
    EXPECT_EQ(service->getPid(form->window()).value, form->pid());
    EXPECT_EQ(service->getPid(element("AXButton", "Lagre").element).value, form->pid());

    auto button = element("AXButton", "Lagre").element;
    auto window = service->copyAttributeValue(button, "AXWindow");
    ASSERT_TRUE(window.ok());
    EXPECT_TRUE(service->equal(window.value.element, form->window()));
    auto parent = service->copyAttributeValue(form->window(), "AXParent");
    ASSERT_TRUE(parent.ok());
    EXPECT_TRUE(service->equal(parent.value.element, form->application()));
    EXPECT_EQ(service->copyAttributeValue(form->application(), "AXParent").status,
              ax::attributeUnsupported);
    EXPECT_FALSE(service->equal(button, form->window()));

    auto listed = service->accessibleApplications();
    EXPECT_TRUE(std::any_of(listed.begin(), listed.end(),
                            [&](const auto& app) { return app.pid == form->pid(); }));
}

TEST_F(AtspiServiceTest, FocusIsGrabbedAndFoundByTheCollection) {
    auto entry = element("AXTextField", "", "").element;
    auto slider = element("AXSlider").element;
    EXPECT_TRUE(service->isAttributeSettable(slider, "AXFocused").value);
    ASSERT_EQ(service->setAttributeValue(slider, "AXFocused", "true"), ax::success);
    EXPECT_TRUE(eventually([&] { return textOf(*service, slider, "AXFocused") == "1"; }));
    EXPECT_EQ(textOf(*service, entry, "AXFocused"), "0");
    auto focused = service->copyAttributeValue(form->application(), "AXFocusedUIElement");
    ASSERT_TRUE(focused.ok());
    EXPECT_TRUE(service->equal(focused.value.element, slider));
    auto focusedWindow = service->copyAttributeValue(form->application(), "AXFocusedWindow");
    ASSERT_TRUE(focusedWindow.ok());
    EXPECT_TRUE(service->equal(focusedWindow.value.element, form->window()));
    EXPECT_EQ(service->setAttributeValue(slider, "AXFocused", "false"), -25201);
}

TEST_F(AtspiServiceTest, AnElementOfAVanishedApplicationIsInvalid) {
    auto button = element("AXButton", "Lagre").element;
    form->kill();
    EXPECT_EQ(service->copyAttributeValue(button, "AXRole").status, ax::invalidElement);
    EXPECT_EQ(service->copyActionNames(button).status, ax::invalidElement);
    EXPECT_EQ(service->performAction(button, "AXPress"), ax::invalidElement);
    EXPECT_EQ(service->setAttributeValue(button, "AXValue", "x"), ax::invalidElement);
    EXPECT_EQ(service->createApplication(form->pid()).isNull(), false);
    EXPECT_EQ(
        service->copyAttributeValue(service->createApplication(form->pid()), "AXWindows").status,
        ax::invalidElement);
}

TEST_F(AtspiServiceTest, AProcessWithoutAccessibleApplicationIsInvalid) {
    // The test process itself is not on the accessibility bus.
    auto nobody = service->createApplication(static_cast<std::int32_t>(::getpid()));
    EXPECT_EQ(service->copyAttributeValue(nobody, "AXWindows").status, ax::invalidElement);
    EXPECT_EQ(service->getPid(nobody).status, ax::invalidElement);
}

TEST_F(AtspiServiceTest, AStoppedApplicationCannotCompleteWithinItsTimeout) {
    auto button = element("AXButton", "Lagre").element;
    ASSERT_EQ(service->setMessagingTimeout(form->window(), 0.3F), ax::success);
    // Read through the window after the time-out was set: the child inherits it.
    auto children = service->copyAttributeValue(form->window(), "AXChildren");
    ASSERT_TRUE(children.ok() && !children.value.array.empty());
    auto child = children.value.array.front().element;
    form->pause();

    for (const auto& through : {form->window(), child}) {
        auto started = Clock::now();
        auto answer = service->copyAttributeValue(through, "AXRole");
        auto took = Clock::now() - started;
        EXPECT_EQ(answer.status, ax::cannotComplete);
        EXPECT_GE(took, 300ms);
        EXPECT_LT(took, 300ms + 250ms);
    }
    // Without a time-out of its own, an element keeps the default one.
    ASSERT_EQ(service->setMessagingTimeout(button, 0.2F), ax::success);
    auto started = Clock::now();
    EXPECT_EQ(service->performAction(button, "AXPress"), ax::cannotComplete);
    EXPECT_LT(Clock::now() - started, 200ms + 250ms);

    // The registry still lists the stopped application.
    auto listed = service->accessibleApplications();
    EXPECT_TRUE(std::any_of(listed.begin(), listed.end(),
                            [&](const auto& app) { return app.pid == form->pid(); }));
    form->resume();
    EXPECT_EQ(textOf(*service, form->window(), "AXRole"), "AXWindow");
}

TEST_F(AtspiServiceTest, APasswordFieldIsSecureAndItsTextIsNeverAsked) {
    auto monitor = BusMonitor::start(std::getenv("AT_SPI_BUS_ADDRESS"));
    ASSERT_NE(monitor, nullptr);
    auto password = element("AXTextField", "", "AXSecureTextField").element;
    auto entry = element("AXTextField", "", "").element;
    monitor->drain();

    EXPECT_EQ(service->copyAttributeValue(password, "AXValue").status, ax::attributeUnsupported);
    EXPECT_FALSE(service->isAttributeSettable(password, "AXValue").value);
    EXPECT_EQ(service->setAttributeValue(password, "AXValue", "gjett"), ax::attributeUnsupported);
    EXPECT_TRUE(service->isAttributeSettable(password, "AXFocused").value);
    EXPECT_EQ(textOf(*service, entry, "AXValue"), "Ola Nordmann");

    auto seen = monitor->drain();
    auto asksText = [&](const linuxdesktop::ObjectRef& object) {
        return std::count_if(seen.begin(), seen.end(), [&](const SeenCall& call) {
            return call.destination == object.bus && call.path == object.path &&
                   (call.interface == linuxdesktop::atspi::textInterface ||
                    call.interface == linuxdesktop::atspi::editableTextInterface);
        });
    };
    EXPECT_EQ(asksText(refOf(password)), 0);
    // The monitor does see text being read where it may be.
    EXPECT_GT(asksText(refOf(entry)), 0);
}

TEST_F(AtspiServiceTest, PressTogglesARealToggleButton) {
    auto toggle = element("AXCheckBox", "Lys", "AXToggle").element;
    auto bus = rawBus();
    ASSERT_NE(bus, nullptr);
    auto checked = [&] {
        auto states = linuxdesktop::readStates(
            bus->call(linuxdesktop::calls::getState(*bus, refOf(toggle)), 1s));
        return states.ok() && states.value.has(linuxdesktop::atspi::state::checked);
    };
    ASSERT_FALSE(checked());
    ASSERT_EQ(service->performAction(toggle, "AXPress"), ax::success);
    EXPECT_TRUE(eventually(checked));
    EXPECT_EQ(textOf(*service, toggle, "AXValue"), "1");
    ASSERT_EQ(service->performAction(toggle, "AXPress"), ax::success);
    EXPECT_TRUE(eventually([&] { return !checked(); }));
}

TEST_F(AtspiServiceTest, PressOnAButtonRunsItsHandler) {
    auto status = element("AXStaticText", "Klar").element;
    ASSERT_EQ(service->performAction(element("AXButton", "Lagre").element, "AXPress"), ax::success);
    EXPECT_TRUE(eventually([&] { return textOf(*service, status, "AXTitle") == "Lagret"; }));
}

TEST_F(AtspiServiceTest, ActionsThatAreNotOfferedAreUnsupported) {
    auto label = element("AXStaticText", "Navn").element;
    auto button = element("AXButton", "Lagre").element;
    auto names = service->copyActionNames(label);
    EXPECT_EQ(names.status, ax::success);
    EXPECT_TRUE(names.value.empty());
    EXPECT_EQ(service->performAction(label, "AXPress"), ax::actionUnsupported);
    EXPECT_EQ(service->performAction(button, "AXRaise"), ax::actionUnsupported);
    EXPECT_EQ(service->performAction(button, "click"), ax::actionUnsupported);
    EXPECT_EQ(service->performAction(button, "no such action"), ax::actionUnsupported);
}

TEST_F(AtspiServiceTest, SettingTheValueOfARealEntryChangesItsText) {
    auto entry = element("AXTextField", "", "").element;
    auto bus = rawBus();
    ASSERT_NE(bus, nullptr);
    EXPECT_TRUE(service->isAttributeSettable(entry, "AXValue").value);
    ASSERT_EQ(service->setAttributeValue(entry, "AXValue", "Kari Nordmann"), ax::success);
    auto text = linuxdesktop::readString(
        bus->call(linuxdesktop::calls::text(*bus, refOf(entry), 0, -1), 1s));
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(text.value, "Kari Nordmann");
    EXPECT_EQ(textOf(*service, entry, "AXValue"), "Kari Nordmann");
}

TEST_F(AtspiServiceTest, SettingTheValueOfASliderMovesIt) {
    auto slider = element("AXSlider").element;
    auto bus = rawBus();
    ASSERT_NE(bus, nullptr);
    EXPECT_TRUE(service->isAttributeSettable(slider, "AXValue").value);
    ASSERT_EQ(service->setAttributeValue(slider, "AXValue", "75"), ax::success);
    auto value = linuxdesktop::readVariantDouble(
        bus->call(linuxdesktop::calls::currentValue(*bus, refOf(slider)), 1s));
    ASSERT_TRUE(value.ok());
    EXPECT_EQ(value.value, 75);
    EXPECT_EQ(service->setAttributeValue(slider, "AXValue", "seventy"), -25201);
    EXPECT_EQ(service->setAttributeValue(slider, "AXValue", "1e999"), -25201);
}

TEST_F(AtspiServiceTest, WhatHasNoSettableValueRefusesOne) {
    auto label = element("AXStaticText", "Navn").element;
    EXPECT_FALSE(service->isAttributeSettable(label, "AXValue").value);
    EXPECT_EQ(service->setAttributeValue(label, "AXValue", "Annet"), ax::attributeUnsupported);
    EXPECT_EQ(textOf(*service, label, "AXValue"), "Navn");
    EXPECT_FALSE(service->isAttributeSettable(label, "AXTitle").value);
    EXPECT_EQ(service->setAttributeValue(label, "AXTitle", "Annet"), ax::attributeUnsupported);
}

TEST_F(AtspiServiceTest, ADestroyedWidgetIsGoneFromTheTree) {
    auto temporary = element("AXStaticText", "Midlertidig").element;
    ASSERT_EQ(service->performAction(element("AXButton", "Fjern").element, "AXPress"), ax::success);
    EXPECT_TRUE(eventually([&] {
        auto tree = walkTree(*service, form->window());
        return !findElement(tree, "AXStaticText", "Midlertidig");
    }));
    // GTK keeps the destroyed label's object on the bus, without parent or states.
    EXPECT_EQ(service->copyAttributeValue(temporary, "AXRole").status, ax::invalidElement);
    EXPECT_EQ(service->copyAttributeValue(temporary, "AXTitle").status, ax::invalidElement);
    EXPECT_EQ(service->copyAttributeValue(temporary, "AXPosition").status, ax::invalidElement);
    EXPECT_EQ(service->copyActionNames(temporary).status, ax::invalidElement);
}

TEST(AtspiRealApplications, ZenityPasswordDialogHasASecureField) {
    ORVEL_REQUIRE_PRIVATE_SESSION();
    auto service = AtspiAccessibility::fromEnvironment();
    auto zenity =
        RunningApp::start(*service, "/usr/bin/zenity", {"--password", "--title=Pålogging"});
    ASSERT_NE(zenity, nullptr);
    auto tree = walkTree(*service, zenity->window());
    EXPECT_EQ(textOf(*service, zenity->window(), "AXRole"), "AXWindow");
    auto password = findElement(tree, "AXTextField", "", "AXSecureTextField");
    ASSERT_TRUE(password);
    EXPECT_EQ(service->copyAttributeValue(password->element, "AXValue").status,
              ax::attributeUnsupported);
    EXPECT_TRUE(findElement(tree, "AXButton"));
}

TEST(AtspiRealApplications, ZenityEntryDialogReadsAndTakesItsText) {
    ORVEL_REQUIRE_PRIVATE_SESSION();
    auto service = AtspiAccessibility::fromEnvironment();
    auto zenity =
        RunningApp::start(*service, "/usr/bin/zenity",
                          {"--entry", "--title=Navn", "--text=Hva heter du?", "--entry-text=Per"});
    ASSERT_NE(zenity, nullptr);
    auto tree = walkTree(*service, zenity->window());
    auto entry = findElement(tree, "AXTextField");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->subrole, "");
    EXPECT_EQ(textOf(*service, entry->element, "AXValue"), "Per");
    ASSERT_EQ(service->setAttributeValue(entry->element, "AXValue", "Pål"), ax::success);
    EXPECT_EQ(textOf(*service, entry->element, "AXValue"), "Pål");
    EXPECT_TRUE(findElement(tree, "AXStaticText", "Hva heter du?"));
}

TEST(AtspiRealApplications, WidgetFactoryShowsItsControls) {
    ORVEL_REQUIRE_PRIVATE_SESSION();
    auto service = AtspiAccessibility::fromEnvironment();
    auto factory = RunningApp::start(*service, "/usr/bin/gtk3-widget-factory", {});
    ASSERT_NE(factory, nullptr);
    auto tree = walkTree(*service, factory->window(), 600);
    for (const char* role : {"AXCheckBox", "AXRadioButton", "AXTextField", "AXSlider", "AXComboBox",
                             "AXButton", "AXStaticText"}) {
        EXPECT_TRUE(findElement(tree, role)) << role;
    }
    auto toggle = findElement(tree, "AXCheckBox", "", "AXToggle");
    EXPECT_TRUE(toggle);
}

} // namespace
} // namespace orvel::testing
