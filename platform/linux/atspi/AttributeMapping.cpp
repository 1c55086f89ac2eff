#include "platform/linux/atspi/AttributeMapping.hpp"

#include "OrvelControlCore/Limits.hpp"
#include "OrvelControlCore/Text.hpp"
#include "platform/linux/atspi/ActionNames.hpp"
#include "platform/linux/atspi/AtspiElement.hpp"
#include "platform/linux/atspi/AtspiProtocol.hpp"
#include "platform/linux/atspi/RoleMapping.hpp"

#include <climits>

namespace orvel::linuxdesktop {

namespace {

namespace ax = platform::ax;
using platform::AXValue;

constexpr std::uint32_t progressBarRole = 42;
constexpr std::uint32_t levelBarRole = 103;
constexpr unsigned readOnlyState = 43;

AttributeAnswer unsupported() {
    return {ax::attributeUnsupported, {}};
}
AttributeAnswer found(AXValue value) {
    return {ax::success, std::move(value)};
}

// Code points of UTF-8 text (the unit in which AT-SPI counts characters).
std::size_t codePoints(const std::string& text) {
    std::size_t count = 0;
    for (unsigned char byte : text) {
        count += (byte & 0xC0U) != 0x80U ? 1 : 0;
    }
    return count;
}

} // namespace

std::int32_t factsStatus(const ObjectFacts& facts) {
    for (std::int32_t status : {facts.role.status, facts.states.status, facts.parent.status}) {
        if (status == ax::invalidElement || status == ax::cannotComplete) {
            return status;
        }
    }
    return facts.isGone() ? ax::invalidElement : ax::success;
}

AttributeAnswer roleAttribute(const ObjectFacts& facts, const ObjectRef& self, bool subrole) {
    if (!facts.role.ok()) {
        return {facts.role.status, {}};
    }
    StateSet states = facts.states.ok() ? facts.states.value : StateSet{};
    MappedRole mapped = mapRole(facts.role.value, states, facts.isTopLevel(self));
    return found(AXValue::ofString(subrole ? mapped.subrole : mapped.role));
}

AttributeAnswer textAttribute(const Answer<std::string>& text) {
    if (!text.ok()) {
        return {text.status, {}};
    }
    if (text.value.empty()) {
        return unsupported();
    }
    return found(AXValue::ofString(text.value));
}

AttributeAnswer enabledAttribute(const ObjectFacts& facts) {
    if (!facts.states.ok()) {
        return {facts.states.status, {}};
    }
    return found(AXValue::ofBoolean(facts.hasState(atspi::state::enabled) &&
                                    facts.hasState(atspi::state::sensitive)));
}

AttributeAnswer focusedAttribute(const ObjectFacts& facts) {
    if (!facts.states.ok()) {
        return {facts.states.status, {}};
    }
    return found(AXValue::ofBoolean(facts.hasState(atspi::state::focused)));
}

AttributeAnswer extentsAttribute(const Answer<Extents>& extents, bool position) {
    if (!extents.ok()) {
        return {extents.status, {}};
    }
    if (extents.value.x == INT32_MIN || extents.value.y == INT32_MIN) {
        return unsupported();
    }
    if (position) {
        return found(AXValue::ofPoint(
            Point{static_cast<double>(extents.value.x), static_cast<double>(extents.value.y)}));
    }
    return found(AXValue::ofSize(
        Size{static_cast<double>(extents.value.width), static_cast<double>(extents.value.height)}));
}

AttributeAnswer elementsAttribute(const Answer<std::vector<ObjectRef>>& refs,
                                  Microseconds timeout) {
    if (!refs.ok()) {
        return {refs.status, {}};
    }
    std::vector<AXValue> items;
    items.reserve(refs.value.size());
    for (const auto& ref : refs.value) {
        items.push_back(AXValue::ofElement(AtspiElement::object(ref, timeout)));
    }
    return found(AXValue::ofArray(std::move(items)));
}

AttributeAnswer elementAttribute(const ObjectRef& ref, Microseconds timeout) {
    return found(AXValue::ofElement(AtspiElement::object(ref, timeout)));
}

ValueSource valueSource(const ObjectFacts& facts) {
    if (!facts.role.ok() || facts.isPassword()) {
        return ValueSource::none;
    }
    if (isCheckableRole(facts.role.value)) {
        return ValueSource::checkedState;
    }
    if (facts.has(atspi::textInterface)) {
        return ValueSource::text;
    }
    if (facts.has(atspi::valueInterface)) {
        return ValueSource::number;
    }
    return ValueSource::none;
}

AttributeAnswer checkedAttribute(const ObjectFacts& facts) {
    if (!facts.states.ok()) {
        return {facts.states.status, {}};
    }
    return found(AXValue::ofNumber(facts.hasState(atspi::state::checked) ? 1 : 0));
}

AttributeAnswer numberAttribute(const Answer<double>& number) {
    if (!number.ok()) {
        return {number.status, {}};
    }
    return found(AXValue::ofNumber(number.value));
}

bool valueSettable(const ObjectFacts& facts) {
    if (!facts.role.ok() || facts.isPassword() || facts.hasState(readOnlyState)) {
        return false;
    }
    if (facts.has(atspi::editableTextInterface) && facts.hasState(atspi::state::editable)) {
        return true;
    }
    return facts.has(atspi::valueInterface) && facts.role.value != progressBarRole &&
           facts.role.value != levelBarRole;
}

bool focusSettable(const ObjectFacts& facts) {
    return facts.hasState(atspi::state::focusable);
}

Answer<std::vector<std::string>> offeredActions(const Answer<std::vector<std::string>>& names) {
    if (names.status == ax::invalidElement || names.status == ax::cannotComplete) {
        return {names.status, {}};
    }
    if (!names.ok()) {
        return {ax::success, {}};
    }
    return {ax::success, offeredActionNames(names.value)};
}

bool textStartSuffices(const std::string& start) {
    return codePoints(start) < static_cast<std::size_t>(textReadLimit) ||
           text::characterCount(start) > static_cast<std::size_t>(Limits::text);
}

} // namespace orvel::linuxdesktop
