#include "platform/linux/atspi/ElementReader.hpp"

#include "platform/linux/atspi/ActionNames.hpp"
#include "platform/linux/atspi/AtspiCalls.hpp"
#include "platform/linux/atspi/AtspiProtocol.hpp"
#include "platform/linux/atspi/BusError.hpp"
#include "platform/linux/atspi/RoleMapping.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace orvel::linuxdesktop {

namespace {

using platform::AXValue;
namespace ax = platform::ax;

// How far up "AXWindow" looks for the window before giving up.
constexpr int mostAncestors = 64;
// More actions than this on one object is not an interface a person operates.
constexpr std::int32_t mostActions = 64;

AttributeAnswer noSuchAttribute() {
    return {ax::attributeUnsupported, {}};
}

// A finite number and nothing else.
std::optional<double> parseNumber(const std::string& text) {
    double number = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(number)) {
        return std::nullopt;
    }
    return number;
}

} // namespace

void addFactCalls(CallBatch& batch, const ObjectRef& object, Microseconds timeout,
                  ObjectFacts& facts) {
    BusConnection& bus = batch.connection();
    batch.add(calls::getRole(bus, object), timeout,
              [&facts](Reply reply) { facts.role = readUint32(reply); });
    batch.add(calls::getState(bus, object), timeout,
              [&facts](Reply reply) { facts.states = readStates(reply); });
    batch.add(calls::getInterfaces(bus, object), timeout,
              [&facts](Reply reply) { facts.interfaces = readStrings(reply); });
    batch.add(calls::parent(bus, object), timeout,
              [&facts](Reply reply) { facts.parent = readVariantObjectRef(reply); });
}

std::int32_t ElementReader::learn(const std::function<void(CallBatch&)>& alongside) {
    CallBatch batch(bus_);
    addFactCalls(batch, ref(), timeout(), facts_);
    if (alongside) {
        alongside(batch);
    }
    batch.wait();
    return factsStatus(facts_);
}

Reply ElementReader::learnWith(MessagePtr call) {
    Reply reply{ax::cannotComplete, nullptr};
    std::int32_t status = learn([&](CallBatch& batch) {
        batch.add(std::move(call), timeout(),
                  [&reply](Reply answer) { reply = std::move(answer); });
    });
    if (status != ax::success) {
        return Reply{status, nullptr};
    }
    return reply;
}

AttributeAnswer ElementReader::attribute(const std::string& name) {
    if (name == "AXTitle" || name == "AXLabel" || name == "AXDescription") {
        Reply reply = learnWith(name == "AXDescription" ? calls::description(bus_, ref())
                                                        : calls::name(bus_, ref()));
        return textAttribute(readVariantString(reply));
    }
    if (name == "AXChildren") {
        return elementsAttribute(readObjectRefs(learnWith(calls::getChildren(bus_, ref()))),
                                 timeout());
    }
    if (name == "AXFocusedUIElement") {
        return focusedElement();
    }
    if (name == "AXWindow") {
        return window();
    }
    if (std::int32_t status = learn(); status != ax::success) {
        return {status, {}};
    }
    if (name == "AXRole" || name == "AXSubrole") {
        return roleAttribute(facts_, ref(), name == "AXSubrole");
    }
    if (name == "AXValue") {
        return value();
    }
    if (name == "AXEnabled") {
        return enabledAttribute(facts_);
    }
    if (name == "AXFocused") {
        return focusedAttribute(facts_);
    }
    if (name == "AXPosition" || name == "AXSize") {
        // Asking an object that is not laid out for its extents makes GTK log a critical
        // warning, so the interface is checked first.
        if (!facts_.has(atspi::componentInterface)) {
            return noSuchAttribute();
        }
        return extentsAttribute(
            readExtents(bus_.call(calls::screenExtents(bus_, ref()), timeout())),
            name == "AXPosition");
    }
    if (name == "AXParent") {
        if (!facts_.parent.ok()) {
            return {facts_.parent.status, {}};
        }
        // An application's parent is the registry's desktop, which is no element of anyone's.
        bool application = facts_.role.ok() && facts_.role.value == atspi::role::application;
        if (application || isNullRef(facts_.parent.value)) {
            return noSuchAttribute();
        }
        return elementAttribute(facts_.parent.value, inherited());
    }
    if (name == "AXWindows") {
        return windows();
    }
    if (name == "AXFocusedWindow") {
        return focusedWindow();
    }
    return noSuchAttribute();
}

AttributeAnswer ElementReader::value() {
    switch (valueSource(facts_)) {
    case ValueSource::checkedState:
        return checkedAttribute(facts_);
    case ValueSource::text:
        return text();
    case ValueSource::number:
        return numberAttribute(
            readVariantDouble(bus_.call(calls::currentValue(bus_, ref()), timeout())));
    case ValueSource::none:
        break;
    }
    if (!facts_.role.ok()) {
        return {facts_.role.status, {}};
    }
    return noSuchAttribute();
}

AttributeAnswer ElementReader::text() {
    auto start = readString(bus_.call(calls::text(bus_, ref(), 0, textReadLimit), timeout()));
    if (!start.ok()) {
        return {start.status, {}};
    }
    if (textStartSuffices(start.value)) {
        return {ax::success, AXValue::ofString(std::move(start.value))};
    }
    auto all = readString(bus_.call(calls::text(bus_, ref(), 0, -1), timeout()));
    if (!all.ok()) {
        return {all.status, {}};
    }
    return {ax::success, AXValue::ofString(std::move(all.value))};
}

AttributeAnswer ElementReader::window() {
    ObjectRef current = ref();
    for (int step = 0; step < mostAncestors; ++step) {
        ObjectFacts facts;
        CallBatch batch(bus_);
        addFactCalls(batch, current, timeout(), facts);
        batch.wait();
        if (std::int32_t status = factsStatus(facts); status != ax::success) {
            return {status, {}};
        }
        if (!facts.role.ok()) {
            return {facts.role.status, {}};
        }
        if (isWindowRole(facts.role.value, facts.isTopLevel(current))) {
            return elementAttribute(current, inherited());
        }
        if (facts.role.value == atspi::role::application || !facts.parent.ok() ||
            isNullRef(facts.parent.value)) {
            return noSuchAttribute();
        }
        current = facts.parent.value;
    }
    return noSuchAttribute();
}

AttributeAnswer ElementReader::windows() {
    if (!facts_.role.ok()) {
        return {facts_.role.status, {}};
    }
    if (facts_.role.value != atspi::role::application) {
        return noSuchAttribute();
    }
    auto tops = readObjectRefs(bus_.call(calls::getChildren(bus_, ref()), timeout()));
    if (!tops.ok()) {
        return {tops.status, {}};
    }
    std::vector<Answer<std::uint32_t>> roles(tops.value.size(),
                                             Answer<std::uint32_t>{ax::cannotComplete, 0});
    CallBatch batch(bus_);
    for (std::size_t index = 0; index < tops.value.size(); ++index) {
        batch.add(calls::getRole(bus_, tops.value[index]), timeout(),
                  [&roles, index](Reply reply) { roles[index] = readUint32(reply); });
    }
    batch.wait();
    std::vector<ObjectRef> windows;
    for (std::size_t index = 0; index < tops.value.size(); ++index) {
        if (roles[index].ok() && isWindowRole(roles[index].value, true)) {
            windows.push_back(tops.value[index]);
        }
    }
    return elementsAttribute({ax::success, windows}, inherited());
}

AttributeAnswer ElementReader::focusedWindow() {
    auto all = windows();
    if (!all.ok()) {
        return all;
    }
    std::vector<Answer<StateSet>> states(all.value.array.size(),
                                         Answer<StateSet>{ax::cannotComplete, {}});
    CallBatch batch(bus_);
    for (std::size_t index = 0; index < all.value.array.size(); ++index) {
        const auto* window = AtspiElement::of(all.value.array[index].element);
        batch.add(calls::getState(bus_, window->ref()), timeout(),
                  [&states, index](Reply reply) { states[index] = readStates(reply); });
    }
    batch.wait();
    for (std::size_t index = 0; index < states.size(); ++index) {
        if (states[index].ok() && states[index].value.has(atspi::state::active)) {
            return {ax::success, std::move(all.value.array[index])};
        }
    }
    return noSuchAttribute();
}

AttributeAnswer ElementReader::focusedElement() {
    std::uint64_t focused = std::uint64_t{1} << atspi::state::focused;
    auto matches =
        readObjectRefs(learnWith(calls::firstDescendantWithStates(bus_, ref(), focused)));
    if (!matches.ok()) {
        return {matches.status, {}};
    }
    if (matches.value.empty() || isNullRef(matches.value.front())) {
        return noSuchAttribute();
    }
    return elementAttribute(matches.value.front(), inherited());
}

Answer<std::vector<std::string>> ElementReader::stableActionNames() {
    // Asking an object without actions for its count makes GTK log a critical warning.
    if (!facts_.has(atspi::actionInterface)) {
        return {facts_.interfaces.ok() ? ax::actionUnsupported : facts_.interfaces.status, {}};
    }
    auto count = readVariantInt32(bus_.call(calls::actionCount(bus_, ref()), timeout()));
    if (!count.ok()) {
        return {count.status, {}};
    }
    std::int32_t total = std::clamp<std::int32_t>(count.value, 0, mostActions);
    std::vector<std::string> names(static_cast<std::size_t>(total));
    std::int32_t status = ax::success;
    CallBatch batch(bus_);
    for (std::int32_t index = 0; index < total; ++index) {
        batch.add(calls::actionName(bus_, ref(), index), timeout(), [&, index](Reply reply) {
            auto name = readString(reply);
            if (name.ok()) {
                names[static_cast<std::size_t>(index)] = std::move(name.value);
            } else if (status == ax::success) {
                status = name.status;
            }
        });
    }
    batch.wait();
    if (status == ax::invalidElement || status == ax::cannotComplete) {
        return {status, {}};
    }
    return {ax::success, std::move(names)};
}

Answer<std::vector<std::string>> ElementReader::offeredActions() {
    if (std::int32_t status = learn(); status != ax::success) {
        return {status, {}};
    }
    return linuxdesktop::offeredActions(stableActionNames());
}

Answer<bool> ElementReader::isSettable(const std::string& name) {
    if (std::int32_t status = learn(); status != ax::success) {
        return {status, false};
    }
    if (name == "AXValue") {
        if (!facts_.role.ok()) {
            return {facts_.role.status, false};
        }
        return {ax::success, valueSettable(facts_)};
    }
    if (name == "AXFocused") {
        return {facts_.states.status, focusSettable(facts_)};
    }
    return {ax::success, false};
}

std::int32_t ElementReader::setValue(const std::string& name, const std::string& value) {
    if (name != "AXValue" && name != "AXFocused") {
        return ax::attributeUnsupported;
    }
    if (std::int32_t status = learn(); status != ax::success) {
        return status;
    }
    if (name == "AXFocused") {
        if (value != "true" && value != "1") {
            return illegalArgument;
        }
        auto grabbed = readBool(bus_.call(calls::grabFocus(bus_, ref()), timeout()));
        if (!grabbed.ok()) {
            return grabbed.status;
        }
        return grabbed.value ? ax::success : generalFailure;
    }
    if (!facts_.role.ok()) {
        return facts_.role.status;
    }
    if (!valueSettable(facts_)) {
        return ax::attributeUnsupported;
    }
    if (facts_.has(atspi::editableTextInterface) && facts_.hasState(atspi::state::editable)) {
        auto set = readBool(bus_.call(calls::setTextContents(bus_, ref(), value), timeout()));
        if (!set.ok()) {
            return set.status;
        }
        return set.value ? ax::success : generalFailure;
    }
    auto number = parseNumber(value);
    if (!number) {
        return illegalArgument;
    }
    Reply reply = bus_.call(calls::setCurrentValue(bus_, ref(), *number), timeout());
    return reply.ok() ? ax::success : reply.status;
}

std::int32_t ElementReader::perform(const std::string& action) {
    if (std::int32_t status = learn(); status != ax::success) {
        return status;
    }
    auto names = stableActionNames();
    if (names.status == ax::invalidElement || names.status == ax::cannotComplete) {
        return names.status;
    }
    if (!names.ok()) {
        return ax::actionUnsupported;
    }
    auto index = actionIndexFor(names.value, action);
    if (!index) {
        return ax::actionUnsupported;
    }
    auto done = readBool(bus_.call(calls::doAction(bus_, ref(), *index), timeout()));
    if (!done.ok()) {
        return done.status;
    }
    return done.value ? ax::success : generalFailure;
}

} // namespace orvel::linuxdesktop
