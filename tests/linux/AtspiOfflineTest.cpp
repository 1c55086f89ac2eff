// The accessibility service where no accessibility bus answers, and its handles: what every
// call answers without a bus, and what needs no bus at all.
#include "platform/linux/atspi/AtspiAccessibility.hpp"
#include "platform/linux/atspi/AtspiElement.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

namespace orvel::linuxdesktop {
namespace {

namespace ax = platform::ax;
using namespace std::chrono_literals;

std::unique_ptr<AtspiAccessibility> serviceWithoutBus() {
    return std::make_unique<AtspiAccessibility>(std::make_unique<AccessibilityBusAddress>(
        std::string("unix:path=/nonexistent/orvel-test-bus"), Microseconds(200'000)));
}

TEST(AtspiOffline, NoBusMeansNotTrustedAndNoApplications) {
    auto service = serviceWithoutBus();
    auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(service->isProcessTrusted(false));
    EXPECT_TRUE(service->accessibleApplications().empty());
    auto application = service->createApplication(1234);
    ASSERT_FALSE(application.isNull());
    EXPECT_EQ(service->copyAttributeValue(application, "AXWindows").status, ax::cannotComplete);
    EXPECT_EQ(service->performAction(application, "AXPress"), ax::cannotComplete);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
}

TEST(AtspiOffline, AnElementOnABusThatIsGoneCannotComplete) {
    auto service = serviceWithoutBus();
    auto element = AtspiElement::object(ObjectRef{":1.5", "/org/a11y/atspi/accessible/7"},
                                        Microseconds(1'500'000));
    EXPECT_EQ(service->copyAttributeValue(element, "AXRole").status, ax::cannotComplete);
    EXPECT_EQ(service->copyActionNames(element).status, ax::cannotComplete);
    EXPECT_EQ(service->isAttributeSettable(element, "AXValue").status, ax::cannotComplete);
    EXPECT_EQ(service->setAttributeValue(element, "AXValue", "x"), ax::cannotComplete);
    EXPECT_EQ(service->getPid(element).status, ax::cannotComplete);
}

TEST(AtspiOffline, ANullHandleIsAnInvalidElement) {
    auto service = serviceWithoutBus();
    platform::ElementHandle none;
    EXPECT_EQ(service->copyAttributeValue(none, "AXRole").status, ax::invalidElement);
    EXPECT_EQ(service->performAction(none, "AXPress"), ax::invalidElement);
    EXPECT_EQ(service->setMessagingTimeout(none, 1.0F), ax::invalidElement);
    EXPECT_FALSE(service->equal(none, none));
}

TEST(AtspiOffline, UnresolvedApplicationsAnswerTheirStatus) {
    auto service = serviceWithoutBus();
    auto gone = AtspiElement::unresolved(ax::invalidElement);
    EXPECT_EQ(service->copyAttributeValue(gone, "AXRole").status, ax::invalidElement);
    EXPECT_EQ(service->copyActionNames(gone).status, ax::invalidElement);
    EXPECT_EQ(service->getPid(gone).status, ax::invalidElement);
}

TEST(AtspiOffline, WithoutTheScreensWindowsTheHitTestCannotComplete) {
    auto service = serviceWithoutBus();
    auto systemWide = service->createSystemWide();
    ASSERT_FALSE(systemWide.isNull());
    EXPECT_EQ(service->copyElementAtPosition(systemWide, 10, 10).status, ax::cannotComplete);
    EXPECT_EQ(service->copyAttributeValue(systemWide, "AXFocusedUIElement").status,
              ax::cannotComplete);
    EXPECT_TRUE(service->equal(systemWide, systemWide));
    EXPECT_FALSE(service->equal(systemWide, service->createSystemWide()));
}

TEST(AtspiOffline, ElementsAreEqualExactlyWhenBusNameAndPathAre) {
    auto service = serviceWithoutBus();
    auto timeout = Microseconds(1'500'000);
    auto first = AtspiElement::object(ObjectRef{":1.5", "/org/a11y/atspi/accessible/7"}, timeout);
    auto same = AtspiElement::object(ObjectRef{":1.5", "/org/a11y/atspi/accessible/7"}, timeout);
    auto otherPath =
        AtspiElement::object(ObjectRef{":1.5", "/org/a11y/atspi/accessible/8"}, timeout);
    auto otherBus =
        AtspiElement::object(ObjectRef{":1.6", "/org/a11y/atspi/accessible/7"}, timeout);
    EXPECT_TRUE(service->equal(first, same));
    EXPECT_FALSE(service->equal(first, otherPath));
    EXPECT_FALSE(service->equal(first, otherBus));
}

TEST(AtspiOffline, TheMessagingTimeoutIsPerElementAndSharedByItsCopies) {
    auto service = serviceWithoutBus();
    auto element = AtspiElement::object(ObjectRef{":1.5", "/p"}, Microseconds(1'500'000));
    auto copy = element;
    auto other = AtspiElement::object(ObjectRef{":1.5", "/p"}, Microseconds(1'500'000));
    EXPECT_EQ(service->setMessagingTimeout(element, 0.25F), ax::success);
    EXPECT_EQ(AtspiElement::of(copy)->timeout(), Microseconds(250'000));
    EXPECT_EQ(AtspiElement::of(other)->timeout(), Microseconds(1'500'000));
    // Zero restores the default; a negative or undefined time-out is refused.
    EXPECT_EQ(service->setMessagingTimeout(element, 0.0F), ax::success);
    EXPECT_EQ(AtspiElement::of(element)->timeout(), Microseconds(1'500'000));
    EXPECT_EQ(service->setMessagingTimeout(element, -1.0F), -25201);
    EXPECT_EQ(service->setMessagingTimeout(element, std::nanf("")), -25201);
    EXPECT_EQ(AtspiElement::of(element)->timeout(), Microseconds(1'500'000));
}

} // namespace
} // namespace orvel::linuxdesktop
