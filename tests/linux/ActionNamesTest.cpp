#include "platform/linux/atspi/ActionNames.hpp"

#include <gtest/gtest.h>

namespace orvel::linuxdesktop {
namespace {

using Names = std::vector<std::string>;

TEST(ActionNames, ThePressNamesAreOfferedOnceAsAXPress) {
    EXPECT_EQ(offeredActionNames({"click"}), Names({"AXPress"}));
    EXPECT_EQ(offeredActionNames({"activate"}), Names({"AXPress"}));
    EXPECT_EQ(offeredActionNames({"press", "release", "click"}), Names({"AXPress", "release"}));
    EXPECT_EQ(offeredActionNames({"toggle", "expand or contract"}),
              Names({"AXPress", "expand or contract"}));
}

TEST(ActionNames, OtherActionsKeepTheirStableNames) {
    EXPECT_EQ(offeredActionNames({"expand or contract", "", "menu", "menu"}),
              Names({"expand or contract", "menu"}));
    EXPECT_EQ(offeredActionNames({}), Names{});
}

TEST(ActionNames, AXPressPrefersClickOverPressSoNothingIsLeftHeld) {
    EXPECT_EQ(actionIndexFor({"press", "release", "click"}, "AXPress"), 2);
    EXPECT_EQ(actionIndexFor({"press", "activate"}, "AXPress"), 1);
    EXPECT_EQ(actionIndexFor({"release", "press"}, "AXPress"), 1);
    EXPECT_EQ(actionIndexFor({"release"}, "AXPress"), std::nullopt);
}

TEST(ActionNames, OnlyOfferedNamesCanBePerformed) {
    Names names{"click", "expand or contract"};
    EXPECT_EQ(actionIndexFor(names, "expand or contract"), 1);
    // The press names stand behind "AXPress" alone.
    EXPECT_EQ(actionIndexFor(names, "click"), std::nullopt);
    EXPECT_EQ(actionIndexFor(names, "AXRaise"), std::nullopt);
    EXPECT_EQ(actionIndexFor(names, ""), std::nullopt);
    // An application that names an action "AXPress" itself does not get to choose it.
    EXPECT_EQ(offeredActionNames({"AXPress"}), Names{});
    EXPECT_EQ(actionIndexFor({"AXPress"}, "AXPress"), std::nullopt);
}

} // namespace
} // namespace orvel::linuxdesktop
