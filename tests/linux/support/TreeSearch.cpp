#include "linux/support/TreeSearch.hpp"

#include <cmath>
#include <deque>

namespace orvel::testing {

using platform::AXValue;

std::optional<std::string> textOf(platform::AccessibilityService& service,
                                  const platform::ElementHandle& element,
                                  const std::string& attribute) {
    auto answer = service.copyAttributeValue(element, attribute);
    if (!answer.ok()) {
        return std::nullopt;
    }
    if (answer.value.kind == AXValue::Kind::string) {
        return answer.value.string;
    }
    if (answer.value.kind == AXValue::Kind::number) {
        return std::to_string(std::llround(answer.value.number));
    }
    return std::nullopt;
}

std::vector<FoundElement> walkTree(platform::AccessibilityService& service,
                                   const platform::ElementHandle& root, int limit) {
    std::vector<FoundElement> found;
    std::deque<std::pair<platform::ElementHandle, int>> queue{{root, 0}};
    while (!queue.empty() && static_cast<int>(found.size()) < limit) {
        auto [element, depth] = queue.front();
        queue.pop_front();
        found.push_back(FoundElement{element, textOf(service, element, "AXRole").value_or(""),
                                     textOf(service, element, "AXSubrole").value_or(""),
                                     textOf(service, element, "AXTitle").value_or(""), depth});
        auto children = service.copyAttributeValue(element, "AXChildren");
        if (children.ok()) {
            for (const auto& child : children.value.array) {
                queue.emplace_back(child.element, depth + 1);
            }
        }
    }
    return found;
}

std::optional<FoundElement> findElement(const std::vector<FoundElement>& elements,
                                        const std::string& role, const std::string& title,
                                        const std::optional<std::string>& subrole) {
    for (const auto& element : elements) {
        if (element.role == role && (title.empty() || element.title == title) &&
            (!subrole || element.subrole == *subrole)) {
            return element;
        }
    }
    return std::nullopt;
}

} // namespace orvel::testing
