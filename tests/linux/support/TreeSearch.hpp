// Finding elements of a real application's accessibility tree by what they say about
// themselves, for tests: a breadth-first walk through the accessibility service.
#pragma once

#include "platform/AccessibilityService.hpp"

#include <optional>
#include <string>
#include <vector>

namespace orvel::testing {

struct FoundElement {
    platform::ElementHandle element;
    std::string role;
    std::string subrole;
    std::string title; // "" when it has none
    int depth = 0;
};

// The elements below `root` (root included), breadth first, at most `limit` of them.
std::vector<FoundElement> walkTree(platform::AccessibilityService& service,
                                   const platform::ElementHandle& root, int limit = 400);

// The first element with this role (and, when given, this title and this subrole; "" for
// the subrole asks for an element without one).
std::optional<FoundElement> findElement(const std::vector<FoundElement>& elements,
                                        const std::string& role, const std::string& title = "",
                                        const std::optional<std::string>& subrole = std::nullopt);

// "AXValue", "AXTitle"... as text: a string, or a number's integer text; absent otherwise.
std::optional<std::string> textOf(platform::AccessibilityService& service,
                                  const platform::ElementHandle& element,
                                  const std::string& attribute);

} // namespace orvel::testing
