#include "platform/sim/WindowPicture.hpp"

#include "OrvelControlCore/Text.hpp"

namespace orvel::sim {

namespace {

bool isOneOf(const std::optional<std::string>& role, std::initializer_list<const char*> roles) {
    if (!role) {
        return false;
    }
    for (const char* candidate : roles) {
        if (*role == candidate) {
            return true;
        }
    }
    return false;
}

ElementLook lookOf(const ElementModel& model) {
    if (isOneOf(model.role, {"AXSecureTextField"}) ||
        isOneOf(model.subrole, {"AXSecureTextField"})) {
        return ElementLook::secureField;
    }
    if (isOneOf(model.role, {"AXTextField", "AXTextArea", "AXComboBox", "AXSearchField"})) {
        return ElementLook::textField;
    }
    if (isOneOf(model.role, {"AXButton", "AXPopUpButton", "AXMenuButton"})) {
        return ElementLook::button;
    }
    if (isOneOf(model.role, {"AXCheckBox", "AXRadioButton"})) {
        return ElementLook::checkbox;
    }
    if (isOneOf(model.role, {"AXStaticText"})) {
        return ElementLook::text;
    }
    if (isOneOf(model.role, {"AXList", "AXTable", "AXOutline", "AXScrollArea", "AXMenu"})) {
        return ElementLook::list;
    }
    if (isOneOf(model.role, {"AXRow", "AXCell", "AXMenuItem"})) {
        return ElementLook::row;
    }
    return ElementLook::group;
}

std::size_t shownTextLength(const ElementModel& model) {
    if (model.value && model.value->is_string()) {
        return text::characterCount(model.value->get<std::string>());
    }
    if (model.title) {
        return text::characterCount(*model.title);
    }
    return model.description ? text::characterCount(*model.description) : 0;
}

bool isChecked(const ElementModel& model) {
    return model.value && model.value->is_number() && model.value->get<double>() != 0;
}

void addElements(const World& world, std::uint64_t node, bool isRoot, WindowPicture& picture) {
    const auto* element = world.element(node);
    if (!element) {
        return;
    }
    if (!isRoot && element->model.frame) {
        picture.elements.push_back({*element->model.frame, lookOf(element->model),
                                    world.isFocused(*element), isChecked(element->model),
                                    shownTextLength(element->model)});
    }
    for (auto child : element->children) {
        addElements(world, child, false, picture);
    }
}

} // namespace

WindowPicture pictureOf(const World& world, const LiveWindow& window) {
    WindowPicture picture{window.frame, text::characterCount(window.title), {}};
    addElements(world, window.root, true, picture);
    return picture;
}

} // namespace orvel::sim
