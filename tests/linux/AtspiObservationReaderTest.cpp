// The Linux desktop's reads of many elements at once answer exactly what the reads one by
// one answer, take the application's bulk read, and stay within the time-outs.
#include "platform/linux/atspi/AtspiObservationReader.hpp"
#include "linux/support/PrivateSession.hpp"
#include "linux/support/RunningApp.hpp"
#include "linux/support/TreeSearch.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace orvel::testing {
namespace {

namespace ax = platform::ax;
using linuxdesktop::AtspiAccessibility;
using linuxdesktop::AtspiObservationReader;
using platform::AXAnswer;
using platform::AXValue;
using namespace std::chrono_literals;

bool sameValue(platform::AccessibilityService& service, const AXValue& a, const AXValue& b) {
    if (a.kind != b.kind) {
        return false;
    }
    switch (a.kind) {
    case AXValue::Kind::string:
        return a.string == b.string;
    case AXValue::Kind::number:
        return a.number == b.number && a.isBoolean == b.isBoolean;
    case AXValue::Kind::element:
        return service.equal(a.element, b.element);
    case AXValue::Kind::array:
        if (a.array.size() != b.array.size()) {
            return false;
        }
        for (std::size_t index = 0; index < a.array.size(); ++index) {
            if (!sameValue(service, a.array[index], b.array[index])) {
                return false;
            }
        }
        return true;
    case AXValue::Kind::point:
        return a.point.x == b.point.x && a.point.y == b.point.y;
    case AXValue::Kind::size:
        return a.size.width == b.size.width && a.size.height == b.size.height;
    case AXValue::Kind::other:
        return true;
    }
    return false;
}

void expectSame(platform::AccessibilityService& service, const AXAnswer<AXValue>& bulk,
                const AXAnswer<AXValue>& single, const std::string& what) {
    EXPECT_EQ(bulk.status, single.status) << what;
    if (bulk.ok() && single.ok()) {
        EXPECT_TRUE(sameValue(service, bulk.value, single.value)) << what;
    }
}

// A reader that has the application's bulk read: the bridge prepares it shortly after the
// service starts listening, so the first reader may come too early.
std::unique_ptr<platform::ObservationReader>
readerWithSnapshot(AtspiAccessibility& service, const platform::ElementHandle& window) {
    auto until = std::chrono::steady_clock::now() + 5s;
    for (;;) {
        auto reader = service.observationReader(window);
        EXPECT_NE(reader, nullptr);
        reader->read({window}, [] { return true; });
        auto& atspi = dynamic_cast<AtspiObservationReader&>(*reader);
        if (atspi.snapshotSize() > 0 || std::chrono::steady_clock::now() > until) {
            return reader;
        }
        std::this_thread::sleep_for(50ms);
    }
}

// `focusMayMove`: a freshly started application may still be settling its focus between the
// two reads (the window manager activates it when it appears).
void expectBulkEqualsSingle(AtspiAccessibility& service, const platform::ElementHandle& window,
                            int limit, bool focusMayMove) {
    auto reader = readerWithSnapshot(service, window);
    ASSERT_GT(dynamic_cast<AtspiObservationReader&>(*reader).snapshotSize(), 0U)
        << "the application never answered the bulk read";
    auto found = walkTree(service, window, limit);
    std::vector<platform::ElementHandle> elements;
    for (const auto& element : found) {
        elements.push_back(element.element);
    }
    auto reads = reader->read(elements, [] { return true; });
    ASSERT_EQ(reads.size(), elements.size());
    for (std::size_t index = 0; index < elements.size(); ++index) {
        const auto& element = elements[index];
        const auto& bulk = reads[index];
        std::string what =
            found[index].role + " " + found[index].title + " #" + std::to_string(index);
        expectSame(service, bulk.role, service.copyAttributeValue(element, "AXRole"),
                   what + " role");
        expectSame(service, bulk.subrole, service.copyAttributeValue(element, "AXSubrole"),
                   what + " subrole");
        expectSame(service, bulk.title, service.copyAttributeValue(element, "AXTitle"),
                   what + " title");
        expectSame(service, bulk.description, service.copyAttributeValue(element, "AXDescription"),
                   what + " description");
        expectSame(service, bulk.label, service.copyAttributeValue(element, "AXLabel"),
                   what + " label");
        expectSame(service, bulk.value, service.copyAttributeValue(element, "AXValue"),
                   what + " value");
        expectSame(service, bulk.enabled, service.copyAttributeValue(element, "AXEnabled"),
                   what + " enabled");
        if (!focusMayMove) {
            expectSame(service, bulk.focused, service.copyAttributeValue(element, "AXFocused"),
                       what + " focused");
        }
        expectSame(service, bulk.position, service.copyAttributeValue(element, "AXPosition"),
                   what + " position");
        expectSame(service, bulk.size, service.copyAttributeValue(element, "AXSize"),
                   what + " size");
        expectSame(service, bulk.children, service.copyAttributeValue(element, "AXChildren"),
                   what + " children");
        auto actions = service.copyActionNames(element);
        EXPECT_EQ(bulk.actions.status, actions.status) << what;
        EXPECT_EQ(bulk.actions.value, actions.value) << what;
        auto valueSettable = service.isAttributeSettable(element, "AXValue");
        auto focusSettable = service.isAttributeSettable(element, "AXFocused");
        EXPECT_EQ(bulk.focusSettable.value, focusSettable.value) << what;
        if (found[index].subrole != "AXSecureTextField") {
            EXPECT_EQ(bulk.valueSettable.value, valueSettable.value) << what;
        }
    }
}

TEST(AtspiObservationReader, AnswersForTheFormAsTheReadsOneByOneDo) {
    ORVEL_REQUIRE_PRIVATE_SESSION();
    auto service = AtspiAccessibility::fromEnvironment();
    ASSERT_TRUE(service->isProcessTrusted(false));
    auto form = RunningApp::startTestApp(*service, "form.py", "Skjema");
    ASSERT_NE(form, nullptr);
    expectBulkEqualsSingle(*service, form->window(), 100, true);
}

TEST(AtspiObservationReader, AnswersForTheWidgetFactoryAsTheReadsOneByOneDo) {
    ORVEL_REQUIRE_PRIVATE_SESSION();
    auto service = AtspiAccessibility::fromEnvironment();
    ASSERT_TRUE(service->isProcessTrusted(false));
    auto factory = RunningApp::start(*service, "/usr/bin/gtk3-widget-factory", {});
    ASSERT_NE(factory, nullptr);
    expectBulkEqualsSingle(*service, factory->window(), 300, true);
}

TEST(AtspiObservationReader, AStoppedApplicationCostsOneTimeOutForTheWholeBatch) {
    ORVEL_REQUIRE_PRIVATE_SESSION();
    auto service = AtspiAccessibility::fromEnvironment();
    auto form = RunningApp::startTestApp(*service, "form.py", "Skjema");
    ASSERT_NE(form, nullptr);
    ASSERT_EQ(service->setMessagingTimeout(form->window(), 0.3F), ax::success);
    auto found = walkTree(*service, form->window());
    ASSERT_GT(found.size(), 10U);
    std::vector<platform::ElementHandle> elements;
    for (const auto& element : found) {
        elements.push_back(element.element);
    }
    auto reader = service->observationReader(form->window());
    form->pause();
    auto started = std::chrono::steady_clock::now();
    auto reads = reader->read(elements, [] { return true; });
    auto took = std::chrono::steady_clock::now() - started;
    // The bulk read and the calls of every element each wait once, together.
    EXPECT_LT(took, 2 * 1500ms + 500ms);
    for (const auto& read : reads) {
        EXPECT_NE(read.role.status, ax::success);
    }
    form->resume();
}

TEST(AtspiObservationReader, ReadsNoLongerWantedEndAtOnce) {
    ORVEL_REQUIRE_PRIVATE_SESSION();
    auto service = AtspiAccessibility::fromEnvironment();
    auto form = RunningApp::startTestApp(*service, "form.py", "Skjema");
    ASSERT_NE(form, nullptr);
    auto found = walkTree(*service, form->window());
    std::vector<platform::ElementHandle> elements;
    for (const auto& element : found) {
        elements.push_back(element.element);
    }
    // The first read takes the bulk read; what it does not hold is asked live.
    auto reader = readerWithSnapshot(*service, form->window());
    form->pause();
    auto started = std::chrono::steady_clock::now();
    auto asked = started;
    auto reads = reader->read(elements, [&] {
        asked = std::chrono::steady_clock::now();
        return asked - started < 100ms;
    });
    EXPECT_LT(std::chrono::steady_clock::now() - started, 100ms + 200ms);
    for (const auto& read : reads) {
        EXPECT_EQ(read.position.status, ax::cannotComplete);
    }
    form->resume();
}

} // namespace
} // namespace orvel::testing
