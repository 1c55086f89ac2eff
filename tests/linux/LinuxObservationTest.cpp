// The program's own accessibility layer (observation, press, value change and their
// failures) on real GTK applications through the Linux desktop's accessibility service.
#include "Accessibility.hpp"
#include "linux/support/BusMonitor.hpp"
#include "linux/support/PrivateSession.hpp"
#include "linux/support/RunningApp.hpp"
#include "platform/linux/atspi/AtspiElement.hpp"
#include "platform/linux/atspi/AtspiProtocol.hpp"
#include "support/FailureOf.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace orvel::testing {
namespace {

using linuxdesktop::AtspiAccessibility;
using namespace std::chrono_literals;

class LinuxObservationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ORVEL_REQUIRE_PRIVATE_SESSION();
        service = AtspiAccessibility::fromEnvironment();
        accessibility = std::make_unique<Accessibility>(*service, "not trusted");
        form = RunningApp::startTestApp(*service, "form.py", "Skjema");
        ASSERT_NE(form, nullptr);
        auto frame = accessibility->frame(form->window());
        ASSERT_TRUE(frame);
        target = WindowTarget{1, form->pid(), "Skjema", *frame, 0, true};
    }

    std::shared_ptr<ObservationRecord> observe(int maxNodes = 250) {
        Deadline deadline(8.0, [] { return true; });
        return accessibility->observe(form->pid(), "form.py", target, 8, maxNodes, "obs-1-1",
                                      deadline);
    }

    static const ObservedNode* nodeWith(const ObservationRecord& record, const std::string& role,
                                        const std::string& label = "",
                                        const std::string& subrole = "") {
        for (const auto& id : record.order) {
            const ObservedNode& node = record.nodes.at(id);
            if (node.role == role && (label.empty() || node.label == label) &&
                node.subrole == subrole) {
                return &node;
            }
        }
        return nullptr;
    }

    // Observes until `check` passes (GTK acts from its main loop, just after the call).
    template <class Check> std::shared_ptr<ObservationRecord> observeUntil(Check check) {
        auto until = std::chrono::steady_clock::now() + 2s;
        auto record = observe();
        while (!check(*record) && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(20ms);
            record = observe();
        }
        return record;
    }

    std::unique_ptr<AtspiAccessibility> service;
    std::unique_ptr<Accessibility> accessibility;
    std::unique_ptr<RunningApp> form;
    WindowTarget target;
};

TEST_F(LinuxObservationTest, AnObservationReadsTheWholeFormBreadthFirst) {
    auto record = observe();
    ASSERT_GE(record->order.size(), 12U);
    const ObservedNode& window = record->nodes.at("e1");
    EXPECT_EQ(window.role, "AXWindow");
    EXPECT_EQ(window.depth, 0);
    EXPECT_EQ(record->windowTitle, "Skjema");
    EXPECT_FALSE(record->truncatedTree);

    auto* entry = nodeWith(*record, "AXTextField");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->value, "Ola Nordmann");
    EXPECT_EQ(entry->settable, (std::vector<std::string>{"AXValue", "AXFocused"}));
    auto* save = nodeWith(*record, "AXButton", "Lagre");
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->actions, std::vector<std::string>{"AXPress"});
    EXPECT_TRUE(save->enabled);
    ASSERT_TRUE(save->frame);
    EXPECT_GT(save->frame->size.width, 0);
    auto* toggle = nodeWith(*record, "AXCheckBox", "Lys", "AXToggle");
    ASSERT_NE(toggle, nullptr);
    EXPECT_EQ(toggle->value, "0");
    auto* slider = nodeWith(*record, "AXSlider");
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->value, "40");
    for (const auto& id : record->order) {
        const ObservedNode& node = record->nodes.at(id);
        if (node.parent) {
            EXPECT_EQ(record->nodes.at(*node.parent).depth + 1, node.depth) << id;
        }
    }
}

TEST_F(LinuxObservationTest, APasswordFieldIsMarkedSecureAndItsTextIsNeverRead) {
    auto monitor = BusMonitor::start(std::getenv("AT_SPI_BUS_ADDRESS"));
    ASSERT_NE(monitor, nullptr);
    monitor->drain();
    auto record = observe();
    auto seen = monitor->drain();

    auto* password = nodeWith(*record, "AXTextField", "", "AXSecureTextField");
    ASSERT_NE(password, nullptr);
    EXPECT_TRUE(password->secure);
    EXPECT_FALSE(password->value);
    EXPECT_EQ(password->settable, std::vector<std::string>{"AXFocused"});
    const auto& ref = linuxdesktop::AtspiElement::of(password->element)->ref();
    auto textCalls = std::count_if(seen.begin(), seen.end(), [&](const SeenCall& call) {
        return call.destination == ref.bus && call.path == ref.path &&
               (call.interface == linuxdesktop::atspi::textInterface ||
                call.interface == linuxdesktop::atspi::editableTextInterface);
    });
    EXPECT_EQ(textCalls, 0);
    EXPECT_FALSE(seen.empty());
}

TEST_F(LinuxObservationTest, PressAndValueChangesShowInTheNextObservation) {
    auto before = observe();
    auto* toggle = nodeWith(*before, "AXCheckBox", "Lys", "AXToggle");
    auto* entry = nodeWith(*before, "AXTextField");
    ASSERT_NE(toggle, nullptr);
    ASSERT_NE(entry, nullptr);

    accessibility->perform(toggle->element, "AXPress");
    auto pressed = observeUntil([](const ObservationRecord& record) {
        auto* node = nodeWith(record, "AXCheckBox", "Lys", "AXToggle");
        return node != nullptr && node->value == "1";
    });
    EXPECT_EQ(nodeWith(*pressed, "AXCheckBox", "Lys", "AXToggle")->value, "1");
    EXPECT_NE(pressed->digest, before->digest);

    accessibility->setValue(entry->element, "Kari Nordmann");
    auto changed = observe();
    EXPECT_EQ(nodeWith(*changed, "AXTextField")->value, "Kari Nordmann");
    EXPECT_NE(changed->digest, pressed->digest);
}

TEST_F(LinuxObservationTest, TwoObservationsOfAnUnchangedWindowHaveEqualDigests) {
    EXPECT_EQ(observe()->digest, observe()->digest);
}

TEST_F(LinuxObservationTest, RefusalsCarryTheProgramsCodes) {
    auto record = observe();
    auto* label = nodeWith(*record, "AXStaticText", "Navn");
    auto* save = nodeWith(*record, "AXButton", "Lagre");
    ASSERT_NE(label, nullptr);
    ASSERT_NE(save, nullptr);
    auto notSettable = failureOf([&] { accessibility->setValue(label->element, "Annet"); });
    ASSERT_TRUE(notSettable);
    EXPECT_EQ(notSettable->code, "unsupported_action");
    auto notOffered = failureOf([&] { accessibility->perform(label->element, "AXPress"); });
    ASSERT_TRUE(notOffered);
    EXPECT_EQ(notOffered->code, "unsupported_action");

    form->pause();
    service->setMessagingTimeout(save->element, 0.3F);
    auto started = std::chrono::steady_clock::now();
    auto stopped = failureOf([&] { accessibility->perform(save->element, "AXPress"); });
    EXPECT_LT(std::chrono::steady_clock::now() - started, 300ms + 250ms);
    ASSERT_TRUE(stopped);
    EXPECT_EQ(stopped->code, "timeout");

    form->kill();
    auto gone = failureOf([&] { accessibility->perform(save->element, "AXPress"); });
    ASSERT_TRUE(gone);
    EXPECT_EQ(gone->code, "target_missing");
    EXPECT_FALSE(accessibility->snapshot(save->element));
}

TEST_F(LinuxObservationTest, TheObservedWindowIsFoundAgainFromItsFrame) {
    Deadline deadline(8.0, [] { return true; });
    auto window = accessibility->axWindow(form->pid(), target, deadline);
    EXPECT_TRUE(accessibility->equal(window, form->window()));
    auto record = observe();
    auto* save = nodeWith(*record, "AXButton", "Lagre");
    ASSERT_NE(save, nullptr);
    EXPECT_TRUE(accessibility->equal(accessibility->windowOf(save->element), form->window()));
    EXPECT_EQ(record->node(*accessibility, save->element, 12), save);
}

} // namespace
} // namespace orvel::testing
