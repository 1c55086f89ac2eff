// Reading and finding other applications' accessibility elements.
//
// Every read is one message to another process that may be slow, busy or gone, so none
// throws: an error, a missing value or a value of an unexpected type reads as absent. Text
// that is not valid UTF-8 is repaired as it is read. Application and system-wide elements get
// the short messaging time-out before their first message. An observation's reads are bounded
// by its deadline as well: each read checks the deadline first (throwing its "timeout" or
// "cancelled", the one way such a read throws) and then waits at most the smaller of the
// messaging time-out and the time left, so the deadline holds however slow the app is; a read
// that got no answer checks it again, so that a read cut short by the deadline, or one during
// which the request was cancelled, ends the work instead of reading as an absent value.
//
// Threading: no state of its own beyond the service reference; calls run on the calling
// thread (the worker) and block while the other application answers.
#pragma once

#include "ObservationRecord.hpp"
#include "ObservedNode.hpp"
#include "OrvelControlCore/Clock.hpp"
#include "OrvelControlCore/Deadline.hpp"
#include "OrvelControlCore/ElementSnapshot.hpp"
#include "OrvelControlCore/Geometry.hpp"
#include "OrvelControlCore/Json.hpp"
#include "WindowTarget.hpp"
#include "platform/AccessibilityService.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvel {

class Accessibility {
  public:
    using Element = platform::ElementHandle;

    // `notTrustedMessage` is the desktop's refusal when accessibility is not available.
    Accessibility(platform::AccessibilityService& service, std::string notTrustedMessage,
                  WallClock clock = systemNow)
        : service_(service), notTrustedMessage_(std::move(notTrustedMessage)),
          clock_(std::move(clock)) {}

    platform::AccessibilityService& service() { return service_; }

    // Typed reads of one attribute, bounded by `deadline` when one is given.
    Element element(const Element& element, const std::string& attribute,
                    const Deadline* deadline = nullptr);
    std::optional<std::string> string(const Element& element, const std::string& attribute,
                                      const Deadline* deadline = nullptr);
    bool boolean(const Element& element, const std::string& attribute,
                 const Deadline* deadline = nullptr);
    std::optional<Point> point(const Element& element, const std::string& attribute,
                               const Deadline* deadline = nullptr);
    std::optional<Size> size(const Element& element, const std::string& attribute,
                             const Deadline* deadline = nullptr);
    std::vector<std::string> actions(const Element& element, const Deadline* deadline = nullptr);
    std::vector<Element> children(const Element& element, const Deadline* deadline = nullptr);
    // Whether the attribute can be set; an error counts as not settable.
    bool settable(const Element& element, const std::string& attribute,
                  const Deadline* deadline = nullptr);
    std::optional<ElementSnapshot> snapshot(const Element& element);
    // "AXPosition" and, when present, "AXSize"; absent unless both are readable.
    std::optional<Rect> frame(const Element& element, const Deadline* deadline = nullptr);
    // Both denote the same element; a null handle equals nothing.
    bool equal(const Element& a, const Element& b) {
        return !a.isNull() && !b.isNull() && service_.equal(a, b);
    }

    // Throws "permission_denied" when the process is not trusted; never prompts.
    void ensureTrusted();

    // Application and system-wide elements, with the messaging time-out already set.
    Element application(std::int32_t pid);
    Element systemWide();

    // The one accessibility window of the app matching the window-server window.
    Element axWindow(std::int32_t pid, const WindowTarget& target, const Deadline& deadline);
    // The window element containing the element, or a null handle.
    Element windowOf(const Element& element);

    // Asks the element to carry out a named action, or replaces its value with a text. The
    // failure says whether the action certainly did not happen, timed out, or is unknown.
    void perform(const Element& element, const std::string& action);
    void setValue(const Element& element, const std::string& value);

    // One bounded, breadth-first traversal of the window.
    std::shared_ptr<ObservationRecord> observe(std::int32_t pid, const std::string& bundleId,
                                               const WindowTarget& target, int depth, int maxNodes,
                                               const std::string& observationId,
                                               const Deadline& deadline);
    ObservedNode describe(const Element& element, const std::string& id, int depth,
                          const std::optional<std::string>& parent,
                          const Deadline* deadline = nullptr);
    static Json nodePayload(const ObservedNode& node, const Rect& origin);

    // The typed reads' rules, applied to what was already read (absent: unreadable). Texts
    // are repaired into valid UTF-8 on the way in.
    static std::optional<platform::AXValue> present(platform::AXAnswer<platform::AXValue> answer);
    static Element elementOf(const std::optional<platform::AXValue>& read);
    static std::optional<std::string> stringOf(const std::optional<platform::AXValue>& read);
    static bool booleanOf(const std::optional<platform::AXValue>& read);
    static std::optional<Point> pointOf(const std::optional<platform::AXValue>& read);
    static std::optional<Size> sizeOf(const std::optional<platform::AXValue>& read);
    static std::vector<Element> childrenOf(const std::optional<platform::AXValue>& read);
    static std::vector<std::string> actionsOf(platform::AXAnswer<std::vector<std::string>> answer);
    static std::string digest(const std::vector<const ObservedNode*>& nodes);

  private:
    std::optional<platform::AXValue> value(const Element& element, const std::string& attribute,
                                           const Deadline* deadline = nullptr);
    // Checks the deadline, when there is one, and gives the time one message may still take.
    static platform::CallTimeout callTimeout(const Deadline* deadline);
    // Throws the deadline's failure, when there is a deadline and it has ended the work.
    static void checkAfterUnanswered(const Deadline* deadline);
    // Reads the next elements of an observation's queue together, through a reader of many
    // elements at once; what a reader cut short for the deadline fails with the deadline.
    std::vector<platform::ElementReads> readBatch(platform::ObservationReader& reader,
                                                  const std::vector<Element>& elements,
                                                  const Deadline& deadline);
    ObservedNode describe(const Element& element, const platform::ElementReads& reads,
                          const std::string& id, int depth,
                          const std::optional<std::string>& parent);

    platform::AccessibilityService& service_;
    const std::string notTrustedMessage_;
    const WallClock clock_; // stamps observation records
};

} // namespace orvel
