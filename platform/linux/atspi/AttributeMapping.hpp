// How the bus's answers about an object become the program's attributes, actions and
// settable attributes: the rules shared by the one-at-a-time reads and the bulk reads of an
// observation, so that both answer exactly alike.
//
// Pure functions; safe from any thread.
#pragma once

#include "platform/AccessibilityService.hpp"
#include "platform/linux/atspi/BusConnection.hpp"
#include "platform/linux/atspi/ObjectFacts.hpp"

#include <string>
#include <vector>

namespace orvel::linuxdesktop {

using AttributeAnswer = Answer<platform::AXValue>;

// "AXRole" or "AXSubrole" (with `subrole`).
AttributeAnswer roleAttribute(const ObjectFacts& facts, const ObjectRef& self, bool subrole);
// "AXTitle", "AXLabel" (the name) or "AXDescription": an empty text is no text, so that a
// description can stand in for a missing name.
AttributeAnswer textAttribute(const Answer<std::string>& text);
AttributeAnswer enabledAttribute(const ObjectFacts& facts);
AttributeAnswer focusedAttribute(const ObjectFacts& facts);
// "AXPosition" or "AXSize" from the screen extents; an object that is not laid out (a hidden
// scroll bar reports the most negative corner and 1x1) has no frame.
AttributeAnswer extentsAttribute(const Answer<Extents>& extents, bool position);
// "AXChildren" (or any list of elements), each element with the given messaging time-out.
AttributeAnswer elementsAttribute(const Answer<std::vector<ObjectRef>>& refs, Microseconds timeout);
AttributeAnswer elementAttribute(const ObjectRef& ref, Microseconds timeout);

// Where "AXValue" comes from. Never text for a password field: its role decides before
// anything of its text is asked.
enum class ValueSource { none, checkedState, text, number };
ValueSource valueSource(const ObjectFacts& facts);
AttributeAnswer checkedAttribute(const ObjectFacts& facts);
AttributeAnswer numberAttribute(const Answer<double>& number);

// Whether "AXValue" (editable text that is editable, or a value that is not a mere display)
// and "AXFocused" (a focusable object) can be set.
bool valueSettable(const ObjectFacts& facts);
bool focusSettable(const ObjectFacts& facts);

// The actions offered for the application's stable action names; an object without actions
// offers none, while a failure to answer stays a failure.
Answer<std::vector<std::string>> offeredActions(const Answer<std::vector<std::string>>& names);

// The status every answer about an object takes when its facts say it cannot be answered
// for: the object or its application gone (or gone quiet) while they were read, or an
// object that is defunct. Success otherwise, even when a single fact is missing.
std::int32_t factsStatus(const ObjectFacts& facts);

// Text reads: how many characters are asked at first, and whether that start is the whole
// answer (it is when it came back shorter than asked, or when it alone already exceeds what
// any reader of "AXValue" keeps).
inline constexpr std::int32_t textReadLimit = 4096;
bool textStartSuffices(const std::string& start);

} // namespace orvel::linuxdesktop
