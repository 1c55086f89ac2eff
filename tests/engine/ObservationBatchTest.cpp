// Observations through a reader of many elements at once: the same record as one read at a
// time, the queue handed over in order within the node limit, and the deadline still obeyed.
#include "Accessibility.hpp"
#include "platform/profiles/MacProfile.hpp"
#include "support/EngineHarness.hpp"
#include "support/FailureOf.hpp"

#include <gtest/gtest.h>

namespace orvel::testing {
namespace {

using platform::AccessibilityService;
using platform::AXAnswer;
using platform::AXValue;
using platform::ElementHandle;
using platform::ElementReads;

// Forwards every call to the simulated desktop and offers a reader that asks each element
// for everything an observation reads (never a password field's value), recording the
// batches it was handed.
class BatchingAccessibility final : public AccessibilityService {
  public:
    class Reader final : public platform::ObservationReader {
      public:
        Reader(BatchingAccessibility& owner) : owner_(owner) {}
        std::size_t batchLimit() const override { return owner_.limit; }
        std::vector<ElementReads> read(const std::vector<ElementHandle>& elements,
                                       const std::function<bool()>& stillWanted) override {
            owner_.batches.push_back(elements.size());
            std::vector<ElementReads> reads;
            for (const auto& element : elements) {
                if (!stillWanted()) {
                    owner_.abandoned = true;
                    reads.emplace_back();
                    continue;
                }
                reads.push_back(owner_.readAll(element));
            }
            return reads;
        }

      private:
        BatchingAccessibility& owner_;
    };

    explicit BatchingAccessibility(AccessibilityService& inner) : inner_(inner) {}

    ElementReads readAll(const ElementHandle& element) {
        ElementReads reads;
        auto read = [&](const char* attribute) {
            return inner_.copyAttributeValue(element, attribute);
        };
        reads.role = read("AXRole");
        reads.subrole = read("AXSubrole");
        reads.title = read("AXTitle");
        reads.description = read("AXDescription");
        reads.label = read("AXLabel");
        bool secure = (reads.role.ok() && reads.role.value.string == "AXSecureTextField") ||
                      (reads.subrole.ok() && reads.subrole.value.string == "AXSecureTextField");
        if (secure) {
            reads.value = {platform::ax::attributeUnsupported, {}};
            reads.valueSettable = {platform::ax::attributeUnsupported, false};
        } else {
            reads.value = read("AXValue");
            reads.valueSettable = inner_.isAttributeSettable(element, "AXValue");
        }
        reads.focusSettable = inner_.isAttributeSettable(element, "AXFocused");
        reads.enabled = read("AXEnabled");
        reads.focused = read("AXFocused");
        reads.position = read("AXPosition");
        reads.size = read("AXSize");
        reads.actions = inner_.copyActionNames(element);
        reads.children = read("AXChildren");
        return reads;
    }

    bool isProcessTrusted(bool prompt) override { return inner_.isProcessTrusted(prompt); }
    ElementHandle createApplication(std::int32_t pid) override {
        return inner_.createApplication(pid);
    }
    ElementHandle createSystemWide() override { return inner_.createSystemWide(); }
    std::int32_t setMessagingTimeout(const ElementHandle& element, float seconds) override {
        return inner_.setMessagingTimeout(element, seconds);
    }
    AXAnswer<AXValue> copyAttributeValue(const ElementHandle& element, const std::string& attribute,
                                         platform::CallTimeout timeout) override {
        return inner_.copyAttributeValue(element, attribute, timeout);
    }
    AXAnswer<std::vector<std::string>> copyActionNames(const ElementHandle& element,
                                                       platform::CallTimeout timeout) override {
        return inner_.copyActionNames(element, timeout);
    }
    AXAnswer<bool> isAttributeSettable(const ElementHandle& element, const std::string& attribute,
                                       platform::CallTimeout timeout) override {
        return inner_.isAttributeSettable(element, attribute, timeout);
    }
    std::int32_t setAttributeValue(const ElementHandle& element, const std::string& attribute,
                                   const std::string& value) override {
        return inner_.setAttributeValue(element, attribute, value);
    }
    std::int32_t performAction(const ElementHandle& element, const std::string& action) override {
        return inner_.performAction(element, action);
    }
    AXAnswer<ElementHandle> copyElementAtPosition(const ElementHandle& systemWide, float x,
                                                  float y) override {
        return inner_.copyElementAtPosition(systemWide, x, y);
    }
    AXAnswer<std::int32_t> getPid(const ElementHandle& element) override {
        return inner_.getPid(element);
    }
    bool equal(const ElementHandle& a, const ElementHandle& b) override {
        return inner_.equal(a, b);
    }
    std::unique_ptr<platform::ObservationReader> observationReader(const ElementHandle&) override {
        return std::make_unique<Reader>(*this);
    }

    std::size_t limit = 600;
    std::vector<std::size_t> batches;
    bool abandoned = false;

  private:
    AccessibilityService& inner_;
};

std::string textOf(const ObservedNode& node) {
    std::string frame = node.frame ? std::to_string(node.frame->origin.x) + "," +
                                         std::to_string(node.frame->origin.y) + "," +
                                         std::to_string(node.frame->size.width) + "," +
                                         std::to_string(node.frame->size.height)
                                   : "-";
    std::string text = node.id + "|" + node.role + "|" + node.subrole + "|" + node.label + "|" +
                       node.value.value_or("<none>") + "|" + (node.secure ? "s" : "") +
                       (node.enabled ? "e" : "") + (node.focused ? "f" : "") + "|" + frame + "|" +
                       std::to_string(node.depth) + "|" + node.parent.value_or("");
    for (const auto& action : node.actions) {
        text += "|a:" + action;
    }
    for (const auto& settable : node.settable) {
        text += "|s:" + settable;
    }
    return text;
}

std::vector<std::string> describeRecord(const ObservationRecord& record) {
    std::vector<std::string> lines;
    for (const auto& id : record.order) {
        lines.push_back(textOf(record.nodes.at(id)));
    }
    lines.push_back(record.digest);
    lines.push_back(record.truncatedTree ? "truncated" : "complete");
    return lines;
}

class ObservationBatchTest : public ::testing::Test {
  protected:
    ObservationBatchTest()
        : harness(scenarioText("default.json")),
          batching(harness.desktop().platform().accessibility) {}

    std::shared_ptr<ObservationRecord> observe(AccessibilityService& service, int depth,
                                               int maxNodes) {
        Accessibility accessibility(service,
                                    platform::macOSProfile().texts.accessibilityNotGranted);
        auto window = harness.engine().liveWindow(501, 101);
        auto ticket = harness.engine().ledger().admit("batch", false, "f").ticket;
        return accessibility.observe(501, "", window, depth, maxNodes, "obs-x",
                                     harness.engine().deadline(ticket, 8));
    }

    EngineHarness harness;
    BatchingAccessibility batching;
};

TEST_F(ObservationBatchTest, TheRecordIsTheSameAsReadingOneElementAtATime) {
    for (auto [depth, maxNodes] : {std::pair{8, 250}, std::pair{1, 250}, std::pair{8, 5}}) {
        auto single = observe(harness.desktop().platform().accessibility, depth, maxNodes);
        auto batched = observe(batching, depth, maxNodes);
        EXPECT_EQ(describeRecord(*batched), describeRecord(*single))
            << "depth " << depth << ", nodes " << maxNodes;
    }
}

TEST_F(ObservationBatchTest, TheQueueIsHandedOverInOrderWithinTheNodeLimit) {
    batching.limit = 3;
    auto record = observe(batching, 8, 7);
    ASSERT_EQ(record->order.size(), 7U);
    std::size_t total = 0;
    for (std::size_t size : batching.batches) {
        EXPECT_GE(size, 1U);
        EXPECT_LE(size, 3U);
        total += size;
    }
    // The window alone first; never more elements than the node limit leaves room for.
    ASSERT_FALSE(batching.batches.empty());
    EXPECT_EQ(batching.batches.front(), 1U);
    EXPECT_EQ(total, 7U);
    EXPECT_EQ(describeRecord(*record),
              describeRecord(*observe(harness.desktop().platform().accessibility, 8, 7)));
}

TEST_F(ObservationBatchTest, AnObservationNoLongerWantedStopsInsideABatch) {
    Accessibility accessibility(batching, platform::macOSProfile().texts.accessibilityNotGranted);
    auto window = harness.engine().liveWindow(501, 101);
    // Live until the second batch (the window's children) is being read.
    Deadline deadline(8.0, [&] { return batching.batches.size() < 2; });
    auto failure =
        failureOf([&] { accessibility.observe(501, "", window, 8, 250, "obs-x", deadline); });
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->code, "cancelled");
    EXPECT_TRUE(batching.abandoned);
    EXPECT_EQ(batching.batches.size(), 2U) << "no batch is started once it is unwanted";
}

} // namespace
} // namespace orvel::testing
