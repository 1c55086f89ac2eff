// The accessibility interface through which the program reads and operates other
// applications' elements.
//
// Every call answers with a status code (0 success; AXAnswer.hpp names the ones the program
// tells apart) and blocks until the other process answers or the messaging time-out in force
// for the element passes, which answers `cannotComplete`. The reads can also be bounded call
// by call (`CallTimeout`), for work whose own deadline leaves less time than the element's
// time-out: on a desktop whose messages each take a time-out of their own (D-Bus) it is that
// time-out, elsewhere the backend applies it to the one message. All operations are safe to
// call from any thread.
#pragma once

#include "platform/AXAnswer.hpp"
#include "platform/ElementHandle.hpp"
#include "platform/ObservationReader.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvel::platform {

// The longest one message may wait, in seconds: the message gives up after the shorter of this
// and the element's messaging time-out, answering `cannotComplete`; zero or less gives up
// unless the answer is immediate. Absent: the element's time-out alone.
using CallTimeout = std::optional<double>;

class AccessibilityService {
  public:
    virtual ~AccessibilityService() = default;

    // AXIsProcessTrustedWithOptions; with `prompt` the system shows its prompt when the
    // process is not trusted.
    virtual bool isProcessTrusted(bool prompt) = 0;

    // AXUIElementCreateApplication and AXUIElementCreateSystemWide.
    virtual ElementHandle createApplication(std::int32_t pid) = 0;
    virtual ElementHandle createSystemWide() = 0;

    // AXUIElementSetMessagingTimeout.
    virtual std::int32_t setMessagingTimeout(const ElementHandle& element, float seconds) = 0;

    // AXUIElementCopyAttributeValue.
    AXAnswer<AXValue> copyAttributeValue(const ElementHandle& element,
                                         const std::string& attribute) {
        return copyAttributeValue(element, attribute, CallTimeout{});
    }
    virtual AXAnswer<AXValue> copyAttributeValue(const ElementHandle& element,
                                                 const std::string& attribute,
                                                 CallTimeout timeout) = 0;

    // AXUIElementCopyActionNames.
    AXAnswer<std::vector<std::string>> copyActionNames(const ElementHandle& element) {
        return copyActionNames(element, CallTimeout{});
    }
    virtual AXAnswer<std::vector<std::string>> copyActionNames(const ElementHandle& element,
                                                               CallTimeout timeout) = 0;

    // AXUIElementIsAttributeSettable ("AXValue" or "AXFocused").
    AXAnswer<bool> isAttributeSettable(const ElementHandle& element, const std::string& attribute) {
        return isAttributeSettable(element, attribute, CallTimeout{});
    }
    virtual AXAnswer<bool> isAttributeSettable(const ElementHandle& element,
                                               const std::string& attribute,
                                               CallTimeout timeout) = 0;

    // AXUIElementSetAttributeValue with a string value.
    virtual std::int32_t setAttributeValue(const ElementHandle& element,
                                           const std::string& attribute,
                                           const std::string& value) = 0;

    // AXUIElementPerformAction.
    virtual std::int32_t performAction(const ElementHandle& element, const std::string& action) = 0;

    // AXUIElementCopyElementAtPosition on the system-wide element, screen points.
    virtual AXAnswer<ElementHandle> copyElementAtPosition(const ElementHandle& systemWide, float x,
                                                          float y) = 0;

    // AXUIElementGetPid.
    virtual AXAnswer<std::int32_t> getPid(const ElementHandle& element) = 0;

    // CFEqual: both handles denote the same element.
    virtual bool equal(const ElementHandle& a, const ElementHandle& b) = 0;

    // A reader of many elements at once for one observation of `window`; none where the
    // desktop answers one read at a time (the observation then asks read by read).
    virtual std::unique_ptr<ObservationReader> observationReader(const ElementHandle& window) {
        (void)window;
        return nullptr;
    }
};

} // namespace orvel::platform
