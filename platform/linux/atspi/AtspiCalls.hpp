// The messages of the AT-SPI2 protocol that the accessibility service sends, one function per
// method or property. Each returns the message ready to send, or null when the object's
// address cannot form a message (see BusConnection::methodCall).
#pragma once

#include "platform/linux/atspi/BusConnection.hpp"
#include "platform/linux/atspi/ObjectRef.hpp"

#include <cstdint>
#include <string>

namespace orvel::linuxdesktop::calls {

// org.a11y.atspi.Accessible
MessagePtr getRole(BusConnection& bus, const ObjectRef& object);
MessagePtr getState(BusConnection& bus, const ObjectRef& object);
MessagePtr getInterfaces(BusConnection& bus, const ObjectRef& object);
MessagePtr getChildren(BusConnection& bus, const ObjectRef& object);
MessagePtr name(BusConnection& bus, const ObjectRef& object);
MessagePtr description(BusConnection& bus, const ObjectRef& object);
MessagePtr parent(BusConnection& bus, const ObjectRef& object);

// org.a11y.atspi.Component
MessagePtr screenExtents(BusConnection& bus, const ObjectRef& object);
MessagePtr grabFocus(BusConnection& bus, const ObjectRef& object);
// The child at a point in screen coordinates (the direct child only).
MessagePtr accessibleAtPoint(BusConnection& bus, const ObjectRef& object, std::int32_t x,
                             std::int32_t y);

// org.a11y.atspi.Text and EditableText
MessagePtr characterCount(BusConnection& bus, const ObjectRef& object);
MessagePtr text(BusConnection& bus, const ObjectRef& object, std::int32_t start, std::int32_t end);
MessagePtr setTextContents(BusConnection& bus, const ObjectRef& object, const std::string& text);

// org.a11y.atspi.Value
MessagePtr currentValue(BusConnection& bus, const ObjectRef& object);
MessagePtr setCurrentValue(BusConnection& bus, const ObjectRef& object, double value);

// org.a11y.atspi.Action
MessagePtr actionCount(BusConnection& bus, const ObjectRef& object);
MessagePtr actionName(BusConnection& bus, const ObjectRef& object, std::int32_t index);
MessagePtr doAction(BusConnection& bus, const ObjectRef& object, std::int32_t index);

// org.a11y.atspi.Collection: the first descendant (in canonical order) that has every state
// of `states` (bit N for state N).
MessagePtr firstDescendantWithStates(BusConnection& bus, const ObjectRef& object,
                                     std::uint64_t states);

// org.a11y.atspi.Cache: every object the application has exposed, with its role, name,
// description, states, interfaces, parent, index in parent and child count.
MessagePtr cacheItems(BusConnection& bus, const std::string& application);

// The registry: its children are the applications; listeners are registered with it.
MessagePtr registryApplications(BusConnection& bus);
MessagePtr registerEvent(BusConnection& bus, const std::string& event);

// The bus daemon itself.
MessagePtr connectionPid(BusConnection& bus, const std::string& uniqueName);
MessagePtr nameHasOwner(BusConnection& bus, const std::string& name);

// The session bus's accessibility launcher.
MessagePtr launcherAddress(BusConnection& session);
MessagePtr enableAccessibility(BusConnection& session);

} // namespace orvel::linuxdesktop::calls
