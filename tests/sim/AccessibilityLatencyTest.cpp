// Slow apps and elements: messages that outlast the messaging time-out answer "cannot
// complete" once the time-out has passed, time-outs follow the handles they were read
// through, and a change sent to a busy app still happens when the app gets to it.
#include "SimTestSupport.hpp"

#include "platform/AccessibilityService.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace orvel::sim::testing {
namespace {

namespace ax = platform::ax;
using platform::ElementHandle;

// The slow app answers every message after 0.15 s; "sluggish" in the quick app does too.
constexpr double slowLatency = 0.15;
constexpr float shortTimeout = 0.05f;

class AccessibilityLatency : public ::testing::Test {
  protected:
    std::unique_ptr<SimulatedDesktop> desktop = loadDesktop(readScenario("slow-app.json"));
    platform::AccessibilityService& ax = desktop->platform().accessibility;

    ElementHandle app(std::int32_t pid, float timeout) {
        auto element = ax.createApplication(pid);
        EXPECT_EQ(ax.setMessagingTimeout(element, timeout), ax::success);
        return element;
    }
    std::vector<ElementHandle> children(const ElementHandle& parent) {
        std::vector<ElementHandle> result;
        for (const auto& child : ax.copyAttributeValue(parent, "AXChildren").value.array) {
            result.push_back(child.element);
        }
        return result;
    }
};

TEST_F(AccessibilityLatency, AMessageBeyondTheTimeOutGivesUpWhenTheTimeOutPasses) {
    auto slow = app(601, shortTimeout);
    auto start = SteadyClock::now();
    EXPECT_EQ(ax.copyAttributeValue(slow, "AXRole").status, ax::cannotComplete);
    const double gaveUpAfter = secondsSince(start);
    EXPECT_GE(gaveUpAfter, shortTimeout * 0.9);
    EXPECT_LT(gaveUpAfter, slowLatency);

    // Within a time-out that allows it, the answer comes after the latency.
    auto patient = app(601, 1.0f);
    start = SteadyClock::now();
    auto role = ax.copyAttributeValue(patient, "AXRole");
    EXPECT_TRUE(role.ok());
    EXPECT_GE(secondsSince(start), slowLatency * 0.9);

    // Without a time-out of its own an element waits the platform's 6 seconds, which is
    // plenty here; zero resets to that default and a negative one is refused.
    auto plain = ax.createApplication(601);
    EXPECT_TRUE(ax.copyAttributeValue(plain, "AXTitle").ok());
    EXPECT_EQ(ax.setMessagingTimeout(slow, 0), ax::success);
    EXPECT_TRUE(ax.copyAttributeValue(slow, "AXTitle").ok());
    EXPECT_EQ(ax.setMessagingTimeout(slow, -1), -25201);
}

TEST_F(AccessibilityLatency, AReadBoundedByItsOwnTimeOutGivesUpAtTheShorterOfTheTwo) {
    auto patient = app(601, 1.0f);
    auto start = SteadyClock::now();
    EXPECT_EQ(ax.copyAttributeValue(patient, "AXRole", 0.05).status, ax::cannotComplete);
    EXPECT_EQ(ax.copyActionNames(patient, 0.05).status, ax::cannotComplete);
    EXPECT_EQ(ax.isAttributeSettable(patient, "AXValue", 0.05).status, ax::cannotComplete);
    const double gaveUpAfter = secondsSince(start);
    EXPECT_GE(gaveUpAfter, 3 * 0.05 * 0.9);
    EXPECT_LT(gaveUpAfter, 3 * slowLatency) << "each call gave up before the app answered";

    // The call's bound never lengthens the handle's time-out, and a bound the app can meet
    // lets the answer through.
    auto hurried = app(601, shortTimeout);
    start = SteadyClock::now();
    EXPECT_EQ(ax.copyAttributeValue(hurried, "AXRole", 5.0).status, ax::cannotComplete);
    EXPECT_LT(secondsSince(start), slowLatency);
    EXPECT_TRUE(ax.copyAttributeValue(patient, "AXRole", 0.5).ok());

    // No time at all gives up at once unless the answer is immediate.
    EXPECT_EQ(ax.copyAttributeValue(patient, "AXRole", 0.0).status, ax::cannotComplete);
    EXPECT_EQ(ax.copyAttributeValue(patient, "AXRole", std::nan("")).status, ax::cannotComplete);
    auto quick = app(602, 1.0f);
    EXPECT_TRUE(ax.copyAttributeValue(quick, "AXRole", 0.0).ok());
}

TEST_F(AccessibilityLatency, ElementLatencyAddsToTheApps) {
    auto quick = app(602, shortTimeout);
    auto items = children(ax.copyAttributeValue(quick, "AXFocusedWindow").value.element);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_TRUE(ax.copyAttributeValue(items[1], "AXValue").ok());
    const auto start = SteadyClock::now();
    EXPECT_EQ(ax.copyAttributeValue(items[0], "AXTitle").status, ax::cannotComplete);
    EXPECT_LT(secondsSince(start), slowLatency);
    EXPECT_EQ(ax.performAction(items[0], "AXPress"), ax::cannotComplete);
}

TEST_F(AccessibilityLatency, ElementsReadThroughAnAppKeepItsTimeOut) {
    auto slow = app(601, 1.0f);
    auto windows = ax.copyAttributeValue(slow, "AXWindows");
    ASSERT_TRUE(windows.ok());
    auto window = windows.value.array.at(0).element;
    EXPECT_TRUE(ax.copyAttributeValue(window, "AXTitle").ok());

    // Shortening the app's time-out bounds what was read through it...
    ASSERT_EQ(ax.setMessagingTimeout(slow, shortTimeout), ax::success);
    EXPECT_EQ(ax.copyAttributeValue(window, "AXTitle").status, ax::cannotComplete);
    // ...unless the element has a time-out of its own, which then bounds its own reads.
    ASSERT_EQ(ax.setMessagingTimeout(window, 1.0f), ax::success);
    EXPECT_TRUE(ax.copyAttributeValue(window, "AXTitle").ok());
    auto button = ax.copyAttributeValue(window, "AXChildren");
    ASSERT_TRUE(button.ok());
    EXPECT_TRUE(ax.copyAttributeValue(button.value.array.at(0).element, "AXTitle").ok());

    // The system-wide element's time-out bounds the elements found at a point.
    auto systemWide = ax.createSystemWide();
    ASSERT_EQ(ax.setMessagingTimeout(systemWide, shortTimeout), ax::success);
    EXPECT_EQ(ax.copyElementAtPosition(systemWide, 130, 150).status, ax::cannotComplete);
    ASSERT_EQ(ax.setMessagingTimeout(systemWide, 1.0f), ax::success);
    auto hit = ax.copyElementAtPosition(systemWide, 130, 150);
    ASSERT_TRUE(hit.ok());
    ASSERT_EQ(ax.setMessagingTimeout(systemWide, shortTimeout), ax::success);
    EXPECT_EQ(ax.copyAttributeValue(hit.value, "AXTitle").status, ax::cannotComplete);
}

TEST_F(AccessibilityLatency, ABusyAppStillCarriesOutWhatItWasAskedAfterTheCallerGaveUp) {
    auto slow = app(601, shortTimeout);
    auto patient = app(601, 1.0f);
    auto button = children(ax.copyAttributeValue(patient, "AXFocusedWindow").value.element).at(0);
    ASSERT_EQ(ax.setMessagingTimeout(button, shortTimeout), ax::success);

    EXPECT_EQ(ax.performAction(button, "AXPress"), ax::cannotComplete);
    EXPECT_EQ(desktop->elementAttribute("slow-label", "AXValue"), Json("Venter"));
    EXPECT_TRUE(eventually(
        [&] { return desktop->elementAttribute("slow-label", "AXValue") == Json("Trykket"); }));

    auto field = ax.copyAttributeValue(patient, "AXFocusedUIElement").value.element;
    ASSERT_EQ(ax.setMessagingTimeout(field, shortTimeout), ax::success);
    EXPECT_EQ(ax.setAttributeValue(field, "AXValue", "sent late"), ax::cannotComplete);
    EXPECT_TRUE(eventually(
        [&] { return desktop->elementAttribute("slow-field", "AXValue") == Json("sent late"); }));
    EXPECT_EQ(ax.copyAttributeValue(slow, "AXTitle").status, ax::cannotComplete);
}

TEST_F(AccessibilityLatency, DestroyingTheDesktopDropsChangesStillOnTheirWay) {
    auto slow = ax.createApplication(601);
    ASSERT_EQ(ax.setMessagingTimeout(slow, shortTimeout), ax::success);
    auto patient = app(601, 1.0f);
    auto button = children(ax.copyAttributeValue(patient, "AXFocusedWindow").value.element).at(0);
    ASSERT_EQ(ax.setMessagingTimeout(button, shortTimeout), ax::success);
    EXPECT_EQ(ax.performAction(button, "AXPress"), ax::cannotComplete);
    const auto start = SteadyClock::now();
    desktop.reset();
    EXPECT_LT(secondsSince(start), slowLatency);
}

} // namespace
} // namespace orvel::sim::testing
