// Comparing an observed element with its live state, and the approval of a pointer's target.
#include "OrvelControlCore/ElementCheck.hpp"

#include <gtest/gtest.h>

namespace orvel {
namespace {

const std::string composedRole = "AXCaf\xC3\xA9";    // a role with é as one scalar
const std::string decomposedRole = "AXCafe\xCC\x81"; // the same with a combining acute

ElementSnapshot snapshot(std::string role, std::string subrole = "") {
    return ElementSnapshot{std::move(role), std::move(subrole), Rect{{10, 10}, {50, 20}}, true,
                           false};
}

TEST(ElementCheck, RolesAreComparedUnderCanonicalEquivalence) {
    EXPECT_FALSE(ElementCheck::mismatch(snapshot(composedRole), snapshot(decomposedRole)));
    EXPECT_FALSE(ElementCheck::mismatch(snapshot("AXGroup", composedRole),
                                        snapshot("AXGroup", decomposedRole)));
    EXPECT_EQ(snapshot(composedRole), snapshot(decomposedRole));
    auto changed = ElementCheck::mismatch(snapshot("AXButton"), snapshot("AXbutton"));
    ASSERT_TRUE(changed);
    EXPECT_EQ(changed->message,
              "Elementet har endret rolle siden observasjonen. Observer på nytt.");
}

TEST(ElementCheck, AnApprovalNamesTheResolvedElementInAnySpelling) {
    EXPECT_FALSE(ElementCheck::bindingMismatch(std::nullopt, "e4"));
    EXPECT_FALSE(ElementCheck::bindingMismatch(std::string(""), "e4"));
    EXPECT_FALSE(ElementCheck::bindingMismatch(composedRole, decomposedRole));
    auto other = ElementCheck::bindingMismatch(std::string("e3"), "e4");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->code, "unresolved_target");
    EXPECT_EQ(other->details, (Json{{"approved", "e3"}, {"actual", "e4"}}));
}

} // namespace
} // namespace orvel
