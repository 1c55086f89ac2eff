#include "platform/linux/atspi/ElementReader.hpp"

#include "OrvelControlCore/Limits.hpp"
#include "OrvelControlCore/Text.hpp"
#include "platform/linux/atspi/ActionNames.hpp"
#include "platform/linux/atspi/AtspiCalls.hpp"
#include "platform/linux/atspi/AtspiProtocol.hpp"
#include "platform/linux/atspi/BusError.hpp"
#include "platform/linux/atspi/CallBatch.hpp"
#include "platform/linux/atspi/RoleMapping.hpp"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

namespace orvel::linuxdesktop {

namespace {

using platform::AXValue;
namespace ax = platform::ax;

// How far up "AXWindow" looks for the window before giving up.
constexpr int mostAncestors = 64;
// More actions than this on one object is not an interface a person operates.
constexpr std::int32_t mostActions = 64;
// Texts are read up to this many characters at first; the rest only when the start alone
// does not yet exceed what any reader of "AXValue" keeps.
constexpr std::int32_t textReadLimit = 4096;

constexpr std::uint32_t progressBarRole = 42;
constexpr std::uint32_t levelBarRole = 103;
constexpr unsigned readOnlyState = 43;

Answer<AXValue> unsupported() {
    return {ax::attributeUnsupported, {}};
}
template <class T> Answer<AXValue> failed(const Answer<T>& answer) {
    return {answer.status, {}};
}
Answer<AXValue> found(AXValue value) {
    return {ax::success, std::move(value)};
}

bool isApplicationRoot(const ObjectRef& candidate, const std::string& bus) {
    return candidate.bus == bus && candidate.path == atspi::rootPath;
}

bool isNoObject(const ObjectRef& candidate) {
    return candidate.path == atspi::nullPath || candidate.bus.empty();
}

// A whole, finite number and nothing else.
std::optional<double> parseNumber(const std::string& text) {
    double number = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(number)) {
        return std::nullopt;
    }
    return number;
}

} // namespace

platform::ElementHandle ElementReader::handleFor(const ObjectRef& other) const {
    return AtspiElement::object(other, timeout());
}

void ElementReader::learn(bool role, bool states, bool interfaces, bool parent) {
    CallBatch batch(bus_);
    if (role && !role_) {
        batch.add(calls::getRole(bus_, ref()), timeout(),
                  [this](Reply reply) { role_ = readUint32(reply); });
    }
    if (states && !states_) {
        batch.add(calls::getState(bus_, ref()), timeout(),
                  [this](Reply reply) { states_ = readStates(reply); });
    }
    if (interfaces && !interfaces_) {
        batch.add(calls::getInterfaces(bus_, ref()), timeout(),
                  [this](Reply reply) { interfaces_ = readStrings(reply); });
    }
    if (parent && !parent_) {
        batch.add(calls::parent(bus_, ref()), timeout(),
                  [this](Reply reply) { parent_ = readVariantObjectRef(reply); });
    }
    batch.wait();
}

Answer<std::uint32_t> ElementReader::role() {
    learn(true, false, false, false);
    return *role_;
}

Answer<StateSet> ElementReader::states() {
    learn(false, true, false, false);
    return *states_;
}

Answer<std::vector<std::string>> ElementReader::interfaces() {
    learn(false, false, true, false);
    return *interfaces_;
}

Answer<ObjectRef> ElementReader::parent() {
    learn(false, false, false, true);
    return *parent_;
}

bool ElementReader::hasInterface(const char* interface) {
    auto names = interfaces();
    return names.ok() &&
           std::find(names.value.begin(), names.value.end(), interface) != names.value.end();
}

bool ElementReader::isPasswordField() {
    auto answer = role();
    return answer.ok() && answer.value == atspi::role::passwordText;
}

bool ElementReader::isTopLevel() {
    auto answer = parent();
    return answer.ok() && isApplicationRoot(answer.value, ref().bus);
}

Answer<AXValue> ElementReader::attribute(const std::string& name) {
    if (name == "AXRole" || name == "AXSubrole") {
        return mappedRole(name == "AXSubrole");
    }
    if (name == "AXTitle" || name == "AXLabel") {
        return text("Name");
    }
    if (name == "AXDescription") {
        return text("Description");
    }
    if (name == "AXValue") {
        return value();
    }
    if (name == "AXEnabled") {
        return stateFlag([](const StateSet& states) {
            return states.has(atspi::state::enabled) && states.has(atspi::state::sensitive);
        });
    }
    if (name == "AXFocused") {
        return stateFlag([](const StateSet& states) { return states.has(atspi::state::focused); });
    }
    if (name == "AXPosition" || name == "AXSize") {
        return extentsPart(name == "AXPosition");
    }
    if (name == "AXChildren") {
        return children();
    }
    if (name == "AXParent") {
        return parentElement();
    }
    if (name == "AXWindow") {
        return window();
    }
    if (name == "AXWindows") {
        return windows();
    }
    if (name == "AXFocusedWindow") {
        return focusedWindow();
    }
    if (name == "AXFocusedUIElement") {
        return focusedElement();
    }
    return unsupported();
}

Answer<AXValue> ElementReader::mappedRole(bool subrole) {
    learn(true, true, false, false);
    if (!role_->ok()) {
        return failed(*role_);
    }
    std::uint32_t number = role_->value;
    bool topLevel = dependsOnTopLevel(number) && isTopLevel();
    StateSet stateSet = states_->ok() ? states_->value : StateSet{};
    MappedRole mapped = mapRole(number, stateSet, topLevel);
    return found(AXValue::ofString(subrole ? mapped.subrole : mapped.role));
}

Answer<AXValue> ElementReader::text(const char* property) {
    Reply reply = bus_.call(std::string_view(property) == "Name" ? calls::name(bus_, ref())
                                                                 : calls::description(bus_, ref()),
                            timeout());
    auto answer = readVariantString(reply);
    if (!answer.ok()) {
        return failed(answer);
    }
    // An object without a name has no title, so that a description can stand in for it.
    if (answer.value.empty()) {
        return unsupported();
    }
    return found(AXValue::ofString(std::move(answer.value)));
}

Answer<AXValue> ElementReader::stateFlag(bool (*test)(const StateSet&)) {
    auto answer = states();
    if (!answer.ok()) {
        return failed(answer);
    }
    return found(AXValue::ofBoolean(test(answer.value)));
}

Answer<AXValue> ElementReader::value() {
    learn(true, true, true, false);
    if (!role_->ok()) {
        return failed(*role_);
    }
    if (role_->value == atspi::role::passwordText) {
        return unsupported();
    }
    if (isCheckableRole(role_->value)) {
        if (!states_->ok()) {
            return failed(*states_);
        }
        return found(AXValue::ofNumber(states_->value.has(atspi::state::checked) ? 1 : 0));
    }
    if (!interfaces_->ok()) {
        return failed(*interfaces_);
    }
    if (hasInterface(atspi::textInterface)) {
        return textContents();
    }
    if (hasInterface(atspi::valueInterface)) {
        auto answer = readVariantDouble(bus_.call(calls::currentValue(bus_, ref()), timeout()));
        if (!answer.ok()) {
            return failed(answer);
        }
        return found(AXValue::ofNumber(answer.value));
    }
    return unsupported();
}

Answer<AXValue> ElementReader::textContents() {
    Answer<std::int32_t> count{ax::cannotComplete, 0};
    Answer<std::string> start{ax::cannotComplete, {}};
    CallBatch batch(bus_);
    batch.add(calls::characterCount(bus_, ref()), timeout(),
              [&](Reply reply) { count = readVariantInt32(reply); });
    batch.add(calls::text(bus_, ref(), 0, textReadLimit), timeout(),
              [&](Reply reply) { start = readString(reply); });
    batch.wait();
    if (!start.ok()) {
        return failed(start);
    }
    bool whole = count.ok() && count.value <= textReadLimit;
    if (whole || text::characterCount(start.value) > static_cast<std::size_t>(Limits::text)) {
        return found(AXValue::ofString(std::move(start.value)));
    }
    auto all = readString(bus_.call(calls::text(bus_, ref(), 0, -1), timeout()));
    if (!all.ok()) {
        return failed(all);
    }
    return found(AXValue::ofString(std::move(all.value)));
}

Answer<AXValue> ElementReader::extentsPart(bool position) {
    // Asking an object that is not laid out for its extents makes GTK log a critical warning.
    auto known = interfaces();
    if (!known.ok()) {
        return failed(known);
    }
    if (!hasInterface(atspi::componentInterface)) {
        return unsupported();
    }
    auto answer = readExtents(bus_.call(calls::screenExtents(bus_, ref()), timeout()));
    if (!answer.ok()) {
        return failed(answer);
    }
    // Objects that are not laid out (a hidden scroll bar) report this corner and a 1x1 size.
    if (answer.value.x == INT32_MIN || answer.value.y == INT32_MIN) {
        return unsupported();
    }
    if (position) {
        return found(AXValue::ofPoint(
            Point{static_cast<double>(answer.value.x), static_cast<double>(answer.value.y)}));
    }
    return found(AXValue::ofSize(
        Size{static_cast<double>(answer.value.width), static_cast<double>(answer.value.height)}));
}

Answer<AXValue> ElementReader::children() {
    auto answer = readObjectRefs(bus_.call(calls::getChildren(bus_, ref()), timeout()));
    if (!answer.ok()) {
        return failed(answer);
    }
    std::vector<AXValue> items;
    items.reserve(answer.value.size());
    for (const auto& child : answer.value) {
        items.push_back(AXValue::ofElement(handleFor(child)));
    }
    return found(AXValue::ofArray(std::move(items)));
}

Answer<AXValue> ElementReader::parentElement() {
    learn(true, false, false, true);
    if (!role_->ok()) {
        return failed(*role_);
    }
    if (!parent_->ok()) {
        return failed(*parent_);
    }
    // An application's parent is the registry's desktop, which is no element of anyone's.
    if (role_->value == atspi::role::application || isNoObject(parent_->value)) {
        return unsupported();
    }
    return found(AXValue::ofElement(handleFor(parent_->value)));
}

Answer<AXValue> ElementReader::window() {
    ObjectRef current = ref();
    for (int step = 0; step < mostAncestors; ++step) {
        Answer<std::uint32_t> currentRole{ax::cannotComplete, 0};
        Answer<ObjectRef> currentParent{ax::cannotComplete, {}};
        CallBatch batch(bus_);
        batch.add(calls::getRole(bus_, current), timeout(),
                  [&](Reply reply) { currentRole = readUint32(reply); });
        batch.add(calls::parent(bus_, current), timeout(),
                  [&](Reply reply) { currentParent = readVariantObjectRef(reply); });
        batch.wait();
        if (!currentRole.ok()) {
            return failed(currentRole);
        }
        bool topLevel = currentParent.ok() && isApplicationRoot(currentParent.value, current.bus);
        if (isWindowRole(currentRole.value, topLevel)) {
            return found(AXValue::ofElement(handleFor(current)));
        }
        if (currentRole.value == atspi::role::application || !currentParent.ok() ||
            isNoObject(currentParent.value)) {
            return unsupported();
        }
        current = currentParent.value;
    }
    return unsupported();
}

Answer<AXValue> ElementReader::windows() {
    auto ownRole = role();
    if (!ownRole.ok()) {
        return failed(ownRole);
    }
    if (ownRole.value != atspi::role::application) {
        return unsupported();
    }
    auto tops = readObjectRefs(bus_.call(calls::getChildren(bus_, ref()), timeout()));
    if (!tops.ok()) {
        return failed(tops);
    }
    std::vector<Answer<std::uint32_t>> roles(tops.value.size(),
                                             Answer<std::uint32_t>{ax::cannotComplete, 0});
    CallBatch batch(bus_);
    for (std::size_t index = 0; index < tops.value.size(); ++index) {
        batch.add(calls::getRole(bus_, tops.value[index]), timeout(),
                  [&roles, index](Reply reply) { roles[index] = readUint32(reply); });
    }
    batch.wait();
    std::vector<AXValue> windows;
    for (std::size_t index = 0; index < tops.value.size(); ++index) {
        if (roles[index].ok() && isWindowRole(roles[index].value, true)) {
            windows.push_back(AXValue::ofElement(handleFor(tops.value[index])));
        }
    }
    return found(AXValue::ofArray(std::move(windows)));
}

Answer<AXValue> ElementReader::focusedWindow() {
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
            return found(std::move(all.value.array[index]));
        }
    }
    return unsupported();
}

Answer<AXValue> ElementReader::focusedElement() {
    std::uint64_t focused = std::uint64_t{1} << atspi::state::focused;
    auto matches = readObjectRefs(
        bus_.call(calls::firstDescendantWithStates(bus_, ref(), focused), timeout()));
    if (!matches.ok()) {
        return failed(matches);
    }
    if (matches.value.empty() || isNoObject(matches.value.front())) {
        return unsupported();
    }
    return found(AXValue::ofElement(handleFor(matches.value.front())));
}

Answer<std::vector<std::string>> ElementReader::stableActionNames() {
    // Asking an object without actions for its count makes GTK log a critical warning.
    auto known = interfaces();
    if (!known.ok()) {
        return {known.status, {}};
    }
    if (!hasInterface(atspi::actionInterface)) {
        return {ax::actionUnsupported, {}};
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
    auto names = stableActionNames();
    if (names.status == ax::invalidElement || names.status == ax::cannotComplete) {
        return {names.status, {}};
    }
    // Any other error: the object has no actions to offer.
    if (!names.ok()) {
        return {ax::success, {}};
    }
    return {ax::success, offeredActionNames(names.value)};
}

bool ElementReader::valueSettable() {
    StateSet stateSet = states_->ok() ? states_->value : StateSet{};
    if (stateSet.has(readOnlyState)) {
        return false;
    }
    if (hasInterface(atspi::editableTextInterface) && stateSet.has(atspi::state::editable)) {
        return true;
    }
    return hasInterface(atspi::valueInterface) && role_->value != progressBarRole &&
           role_->value != levelBarRole;
}

Answer<bool> ElementReader::isSettable(const std::string& name) {
    if (name == "AXValue") {
        learn(true, true, true, false);
        if (!role_->ok()) {
            return {role_->status, false};
        }
        if (role_->value == atspi::role::passwordText) {
            return {ax::success, false};
        }
        return {ax::success, valueSettable()};
    }
    if (name == "AXFocused") {
        auto answer = states();
        return {answer.status, answer.ok() && answer.value.has(atspi::state::focusable)};
    }
    return {ax::success, false};
}

std::int32_t ElementReader::setValue(const std::string& name, const std::string& value) {
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
    if (name != "AXValue") {
        return ax::attributeUnsupported;
    }
    learn(true, true, true, false);
    if (!role_->ok()) {
        return role_->status;
    }
    if (role_->value == atspi::role::passwordText || !valueSettable()) {
        return ax::attributeUnsupported;
    }
    if (hasInterface(atspi::editableTextInterface) && states_->ok() &&
        states_->value.has(atspi::state::editable)) {
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
