// Reading and operating one accessible object over the accessibility bus, in the program's
// vocabulary: the attributes ("AXRole", "AXValue", "AXChildren"...), the offered actions, and
// what may be set. The facts several attributes need (role, states, interfaces) are asked
// together in one round trip and kept for the reader's short life: one reader serves one
// call of the accessibility service, so nothing outlives the request that asked.
//
// A password field's text is never read: whether an object is one is decided by its role
// before anything else is asked of its text.
//
// Threading: a reader belongs to the thread holding its connection.
#pragma once

#include "platform/AccessibilityService.hpp"
#include "platform/linux/atspi/AtspiElement.hpp"
#include "platform/linux/atspi/BusConnection.hpp"
#include "platform/linux/atspi/ReplyReaders.hpp"

#include <optional>
#include <string>
#include <vector>

namespace orvel::linuxdesktop {

class ElementReader {
  public:
    ElementReader(BusConnection& bus, const AtspiElement& element) : bus_(bus), element_(element) {}

    Answer<platform::AXValue> attribute(const std::string& name);
    Answer<std::vector<std::string>> offeredActions();
    Answer<bool> isSettable(const std::string& name);
    std::int32_t setValue(const std::string& name, const std::string& value);
    std::int32_t perform(const std::string& action);

  private:
    Answer<std::uint32_t> role();
    Answer<StateSet> states();
    Answer<std::vector<std::string>> interfaces();
    Answer<ObjectRef> parent();
    // Asks, in one round trip, for whichever of the facts are not known yet.
    void learn(bool role, bool states, bool interfaces, bool parent);
    bool hasInterface(const char* interface);
    bool isPasswordField();
    bool isTopLevel();

    Answer<platform::AXValue> mappedRole(bool subrole);
    Answer<platform::AXValue> text(const char* property);
    Answer<platform::AXValue> stateFlag(bool (*test)(const StateSet&));
    Answer<platform::AXValue> value();
    Answer<platform::AXValue> textContents();
    Answer<platform::AXValue> extentsPart(bool position);
    Answer<platform::AXValue> children();
    Answer<platform::AXValue> parentElement();
    Answer<platform::AXValue> window();
    Answer<platform::AXValue> windows();
    Answer<platform::AXValue> focusedWindow();
    Answer<platform::AXValue> focusedElement();
    Answer<std::vector<std::string>> stableActionNames();
    bool valueSettable();

    platform::ElementHandle handleFor(const ObjectRef& ref) const;
    Microseconds timeout() const { return element_.timeout(); }
    const ObjectRef& ref() const { return element_.ref(); }

    BusConnection& bus_;
    const AtspiElement& element_;
    std::optional<Answer<std::uint32_t>> role_;
    std::optional<Answer<StateSet>> states_;
    std::optional<Answer<std::vector<std::string>>> interfaces_;
    std::optional<Answer<ObjectRef>> parent_;
};

} // namespace orvel::linuxdesktop
