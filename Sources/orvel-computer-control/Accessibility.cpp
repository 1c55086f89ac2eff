#include "Accessibility.hpp"

#include "OrvelControlCore/Failure.hpp"
#include "OrvelControlCore/Limits.hpp"
#include "OrvelControlCore/Text.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace orvel {

namespace {

using platform::AXValue;

// A number as the platform's number objects print it: whole numbers without a fraction,
// others in their shortest exact form, booleans as 1 or 0.
std::string numberText(double number) {
    if (std::isfinite(number) && std::trunc(number) == number && std::fabs(number) < 9.2e18) {
        return std::to_string(static_cast<long long>(number));
    }
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    return std::string(buffer, result.ptr);
}

} // namespace

platform::CallTimeout Accessibility::callTimeout(const Deadline* deadline) {
    if (deadline == nullptr) {
        return std::nullopt;
    }
    deadline->check();
    return std::min<double>(Limits::axTimeout, deadline->remaining());
}

void Accessibility::checkAfterUnanswered(const Deadline* deadline) {
    if (deadline != nullptr) {
        deadline->check();
    }
}

std::optional<AXValue> Accessibility::present(platform::AXAnswer<AXValue> answer) {
    if (!answer.ok()) {
        return std::nullopt;
    }
    // Texts of other applications need not be valid UTF-8; repaired where they come in, so
    // that records, digests and responses only ever hold valid text.
    if (answer.value.kind == AXValue::Kind::string) {
        answer.value.string = text::validUtf8(answer.value.string);
    }
    return std::move(answer.value);
}

std::optional<AXValue> Accessibility::value(const Element& element, const std::string& attribute,
                                            const Deadline* deadline) {
    if (element.isNull()) {
        return std::nullopt;
    }
    auto answer = service_.copyAttributeValue(element, attribute, callTimeout(deadline));
    if (!answer.ok()) {
        checkAfterUnanswered(deadline);
        return std::nullopt;
    }
    return present(std::move(answer));
}

Accessibility::Element Accessibility::elementOf(const std::optional<AXValue>& read) {
    if (read && read->kind == AXValue::Kind::element) {
        return read->element;
    }
    return {};
}

std::optional<std::string> Accessibility::stringOf(const std::optional<AXValue>& read) {
    if (!read) {
        return std::nullopt;
    }
    if (read->kind == AXValue::Kind::string) {
        return read->string;
    }
    if (read->kind == AXValue::Kind::number) {
        return numberText(read->number);
    }
    return std::nullopt;
}

bool Accessibility::booleanOf(const std::optional<AXValue>& read) {
    return read && read->kind == AXValue::Kind::number && read->number != 0;
}

std::optional<Point> Accessibility::pointOf(const std::optional<AXValue>& read) {
    if (read && read->kind == AXValue::Kind::point) {
        return read->point;
    }
    return std::nullopt;
}

std::optional<Size> Accessibility::sizeOf(const std::optional<AXValue>& read) {
    if (read && read->kind == AXValue::Kind::size) {
        return read->size;
    }
    return std::nullopt;
}

std::vector<std::string>
Accessibility::actionsOf(platform::AXAnswer<std::vector<std::string>> answer) {
    if (!answer.ok()) {
        return {};
    }
    for (auto& name : answer.value) {
        name = text::validUtf8(name);
    }
    return std::move(answer.value);
}

Accessibility::Element Accessibility::element(const Element& element, const std::string& attribute,
                                              const Deadline* deadline) {
    return elementOf(value(element, attribute, deadline));
}

std::optional<std::string> Accessibility::string(const Element& element,
                                                 const std::string& attribute,
                                                 const Deadline* deadline) {
    return stringOf(value(element, attribute, deadline));
}

bool Accessibility::boolean(const Element& element, const std::string& attribute,
                            const Deadline* deadline) {
    return booleanOf(value(element, attribute, deadline));
}

std::optional<Point> Accessibility::point(const Element& element, const std::string& attribute,
                                          const Deadline* deadline) {
    return pointOf(value(element, attribute, deadline));
}

std::optional<Size> Accessibility::size(const Element& element, const std::string& attribute,
                                        const Deadline* deadline) {
    return sizeOf(value(element, attribute, deadline));
}

std::vector<std::string> Accessibility::actions(const Element& element, const Deadline* deadline) {
    if (element.isNull()) {
        return {};
    }
    auto answer = service_.copyActionNames(element, callTimeout(deadline));
    if (!answer.ok()) {
        checkAfterUnanswered(deadline);
        return {};
    }
    return actionsOf(std::move(answer));
}

bool Accessibility::settable(const Element& element, const std::string& attribute,
                             const Deadline* deadline) {
    if (element.isNull()) {
        return false;
    }
    auto answer = service_.isAttributeSettable(element, attribute, callTimeout(deadline));
    if (!answer.ok()) {
        checkAfterUnanswered(deadline);
        return false;
    }
    return answer.value;
}

std::vector<Accessibility::Element> Accessibility::childrenOf(const std::optional<AXValue>& read) {
    std::vector<Element> result;
    if (!read || read->kind != AXValue::Kind::array) {
        return result;
    }
    for (const auto& item : read->array) {
        // An array holding anything but elements is not a list of children.
        if (item.kind != AXValue::Kind::element) {
            return {};
        }
        result.push_back(item.element);
    }
    return result;
}

std::vector<Accessibility::Element> Accessibility::children(const Element& element,
                                                            const Deadline* deadline) {
    return childrenOf(value(element, "AXChildren", deadline));
}

std::optional<Rect> Accessibility::frame(const Element& element, const Deadline* deadline) {
    auto position = point(element, "AXPosition", deadline);
    if (!position) {
        return std::nullopt;
    }
    auto extent = size(element, "AXSize", deadline);
    if (!extent) {
        return std::nullopt;
    }
    return Rect{*position, *extent};
}

std::optional<ElementSnapshot> Accessibility::snapshot(const Element& element) {
    auto role = value(element, "AXRole");
    if (!role || role->kind != AXValue::Kind::string) {
        return std::nullopt;
    }
    ElementSnapshot snapshot;
    snapshot.role = role->string;
    snapshot.subrole = string(element, "AXSubrole").value_or("");
    snapshot.frame = frame(element);
    auto enabled = value(element, "AXEnabled");
    snapshot.enabled = !(enabled && enabled->kind == AXValue::Kind::number) || enabled->number != 0;
    snapshot.secure = ElementSnapshot::isSecure(snapshot.role, snapshot.subrole);
    return snapshot;
}

void Accessibility::ensureTrusted() {
    if (!service_.isProcessTrusted(false)) {
        throw Failure("permission_denied", notTrustedMessage_,
                      Json{{"permission", "accessibility"}});
    }
}

Accessibility::Element Accessibility::application(std::int32_t pid) {
    Element application = service_.createApplication(pid);
    if (!application.isNull()) {
        service_.setMessagingTimeout(application, Limits::axTimeout);
    }
    return application;
}

Accessibility::Element Accessibility::systemWide() {
    Element systemWide = service_.createSystemWide();
    if (!systemWide.isNull()) {
        service_.setMessagingTimeout(systemWide, Limits::axTimeout);
    }
    return systemWide;
}

} // namespace orvel
