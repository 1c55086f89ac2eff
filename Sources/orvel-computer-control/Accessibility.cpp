#include "Accessibility.hpp"

#include "OrvelControlCore/Failure.hpp"
#include "OrvelControlCore/Limits.hpp"

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

std::optional<AXValue> Accessibility::present(platform::AXAnswer<AXValue> answer) {
    if (!answer.ok()) {
        return std::nullopt;
    }
    return std::move(answer.value);
}

std::optional<AXValue> Accessibility::value(const Element& element, const std::string& attribute) {
    if (element.isNull()) {
        return std::nullopt;
    }
    return present(service_.copyAttributeValue(element, attribute));
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

Accessibility::Element Accessibility::element(const Element& element,
                                              const std::string& attribute) {
    return elementOf(value(element, attribute));
}

std::optional<std::string> Accessibility::string(const Element& element,
                                                 const std::string& attribute) {
    return stringOf(value(element, attribute));
}

bool Accessibility::boolean(const Element& element, const std::string& attribute) {
    return booleanOf(value(element, attribute));
}

std::optional<Point> Accessibility::point(const Element& element, const std::string& attribute) {
    return pointOf(value(element, attribute));
}

std::optional<Size> Accessibility::size(const Element& element, const std::string& attribute) {
    return sizeOf(value(element, attribute));
}

std::vector<std::string> Accessibility::actions(const Element& element) {
    if (element.isNull()) {
        return {};
    }
    auto answer = service_.copyActionNames(element);
    return answer.ok() ? answer.value : std::vector<std::string>{};
}

std::vector<Accessibility::Element> Accessibility::children(const Element& element) {
    return childrenOf(value(element, "AXChildren"));
}

std::optional<Rect> Accessibility::frame(const Element& element) {
    auto position = point(element, "AXPosition");
    if (!position) {
        return std::nullopt;
    }
    auto extent = size(element, "AXSize");
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
