// Changing another application through accessibility, and what the platform's answer means.
#include "Accessibility.hpp"

#include "OrvelControlCore/Failure.hpp"

namespace orvel {

namespace {

const char* const elementGone = "Elementet finnes ikke lenger i appen.";
const char* const valueNotSettable = "Elementet lar ikke verdien settes direkte.";

} // namespace

void Accessibility::perform(const Element& element, const std::string& action) {
    std::int32_t status = service_.performAction(element, action);
    switch (status) {
    case platform::ax::success:
        return;
    case platform::ax::apiDisabled:
        throw Failure("permission_denied", "Tilgjengelighet er slått av for Orvel Rire.");
    case platform::ax::actionUnsupported:
    case platform::ax::attributeUnsupported:
        throw Failure("unsupported_action", "Elementet støtter ikke handlingen " + action + ".");
    case platform::ax::cannotComplete:
        throw Failure("timeout", "Appen svarte ikke på handlingen i tide.");
    case platform::ax::invalidElement:
        throw Failure("target_missing", elementGone);
    default:
        throw Failure("uncertain",
                      "Appen avviste handlingen (AX-status " + std::to_string(status) + ").");
    }
}

void Accessibility::setValue(const Element& element, const std::string& value) {
    auto settable = service_.isAttributeSettable(element, "AXValue");
    // An element that is gone says so already here; calling that "not settable" would hide
    // why nothing was changed.
    if (settable.status == platform::ax::invalidElement) {
        throw Failure("target_missing", elementGone);
    }
    if (!settable.ok() || !settable.value) {
        throw Failure("unsupported_action", valueNotSettable);
    }
    std::int32_t status = service_.setAttributeValue(element, "AXValue", value);
    switch (status) {
    case platform::ax::success:
        return;
    case platform::ax::actionUnsupported:
    case platform::ax::attributeUnsupported:
        throw Failure("unsupported_action", valueNotSettable);
    case platform::ax::cannotComplete:
        throw Failure("timeout", "Appen svarte ikke i tide da verdien ble satt.");
    case platform::ax::invalidElement:
        throw Failure("target_missing", elementGone);
    default:
        throw Failure("uncertain", "Appen tok ikke imot den nye verdien (AX-status " +
                                       std::to_string(status) + ").");
    }
}

} // namespace orvel
