// Reading and operating one accessible object over the accessibility bus, in the program's
// vocabulary: the attributes ("AXRole", "AXValue", "AXChildren"...), the offered actions, and
// what may be set. The object's facts (role, states, interfaces, parent) are asked in the
// same round trip as the call the answer needs where that call does not depend on them, and
// are kept for the reader's short life only: one reader serves one call of the service.
//
// A password field's text is never read: whether an object is one is decided by its role
// before anything else is asked of its text. An object that is gone (defunct, or a destroyed
// widget's leftover) answers invalidElement.
//
// Threading: a reader belongs to the thread holding its connection.
#pragma once

#include "platform/AccessibilityService.hpp"
#include "platform/linux/atspi/AtspiElement.hpp"
#include "platform/linux/atspi/AttributeMapping.hpp"
#include "platform/linux/atspi/BusConnection.hpp"
#include "platform/linux/atspi/CallBatch.hpp"
#include "platform/linux/atspi/ObjectFacts.hpp"

#include <functional>
#include <string>
#include <vector>

namespace orvel::linuxdesktop {

class ElementReader {
  public:
    // `callTimeout`: how long each message may wait (the element's time-out, or less when
    // the caller bounds this call more tightly).
    ElementReader(BusConnection& bus, const AtspiElement& element, Microseconds callTimeout)
        : bus_(bus), element_(element), callTimeout_(callTimeout) {}

    AttributeAnswer attribute(const std::string& name);
    Answer<std::vector<std::string>> offeredActions();
    Answer<bool> isSettable(const std::string& name);
    std::int32_t setValue(const std::string& name, const std::string& value);
    std::int32_t perform(const std::string& action);

  private:
    // Reads the facts, sending `alongside` in the same round trip; the status is that of
    // factsStatus.
    std::int32_t learn(const std::function<void(CallBatch&)>& alongside = {});
    // Reads the facts and one call that needs none of them, in one round trip.
    Reply learnWith(MessagePtr call);

    AttributeAnswer value();
    AttributeAnswer text();
    AttributeAnswer window();
    AttributeAnswer windows();
    AttributeAnswer focusedWindow();
    AttributeAnswer focusedElement();
    Answer<std::vector<std::string>> stableActionNames();

    Microseconds timeout() const { return callTimeout_; }
    // Elements read through this one start with its own messaging time-out.
    Microseconds inherited() const { return element_.timeout(); }
    const ObjectRef& ref() const { return element_.ref(); }

    BusConnection& bus_;
    const AtspiElement& element_;
    const Microseconds callTimeout_;
    ObjectFacts facts_;
};

// Adds the calls that read an object's facts to a batch, storing the answers in `facts`.
void addFactCalls(CallBatch& batch, const ObjectRef& object, Microseconds timeout,
                  ObjectFacts& facts);

} // namespace orvel::linuxdesktop
