#include "platform/linux/atspi/RoleMapping.hpp"
#include "platform/linux/atspi/AtspiProtocol.hpp"

#include <gtest/gtest.h>

namespace orvel::linuxdesktop {
namespace {

MappedRole mapped(std::uint32_t role, StateSet states = {}, bool topLevel = false) {
    return mapRole(role, states, topLevel);
}

void expectRole(std::uint32_t role, const std::string& axRole, const std::string& subrole) {
    auto result = mapped(role);
    EXPECT_EQ(result.role, axRole) << "role " << role << " (" << atspiRoleName(role) << ")";
    EXPECT_EQ(result.subrole, subrole) << "role " << role << " (" << atspiRoleName(role) << ")";
}

TEST(RoleMapping, ControlsReadAsTheirCounterparts) {
    expectRole(43, "AXButton", "");
    expectRole(7, "AXCheckBox", "");
    expectRole(62, "AXCheckBox", "AXToggle");
    expectRole(44, "AXRadioButton", "");
    expectRole(11, "AXComboBox", "");
    expectRole(51, "AXSlider", "");
    expectRole(48, "AXScrollBar", "");
    expectRole(88, "AXLink", "");
    expectRole(27, "AXImage", "");
    expectRole(29, "AXStaticText", "");
}

TEST(RoleMapping, ContainersAndItemsKeepWhichMemberTheyAre) {
    expectRole(31, "AXList", "");
    expectRole(98, "AXList", "list box");
    expectRole(55, "AXTable", "");
    expectRole(65, "AXOutline", "");
    expectRole(32, "AXRow", "");
    expectRole(91, "AXRow", "tree item");
    expectRole(56, "AXCell", "");
    expectRole(33, "AXMenu", "");
    expectRole(35, "AXMenuItem", "");
    expectRole(8, "AXMenuItem", "check menu item");
    expectRole(20, "AXGroup", "filler");
    expectRole(39, "AXGroup", "panel");
    expectRole(75, "AXApplication", "");
}

TEST(RoleMapping, TextFieldsSplitByLinesAndPasswordsAreSecure) {
    expectRole(61, "AXTextField", "");
    expectRole(79, "AXTextField", "");
    StateSet multiLine({1U << 17, 0});
    EXPECT_EQ(mapped(61, multiLine).role, "AXTextArea");
    auto password = mapped(atspi::role::passwordText, multiLine);
    EXPECT_EQ(password.role, "AXTextField");
    EXPECT_EQ(password.subrole, "AXSecureTextField");
}

TEST(RoleMapping, WindowsOfEveryKindAreWindows) {
    expectRole(23, "AXWindow", "AXStandardWindow");
    expectRole(16, "AXWindow", "AXDialog");
    expectRole(69, "AXWindow", "window");
    // A message dialog is a top-level alert; an alert inside a window is not a window.
    EXPECT_EQ(mapped(atspi::role::alert, {}, true).role, "AXWindow");
    EXPECT_EQ(mapped(atspi::role::alert, {}, true).subrole, "alert");
    EXPECT_EQ(mapped(atspi::role::alert, {}, false).role, "AXUnknown");
    EXPECT_TRUE(isWindowRole(atspi::role::fileChooser, true));
    EXPECT_FALSE(isWindowRole(atspi::role::fileChooser, false));
    EXPECT_TRUE(isWindowRole(atspi::role::frame, false));
}

TEST(RoleMapping, EverythingElseIsUnknownWithItsOwnName) {
    expectRole(63, "AXUnknown", "tool bar");
    expectRole(83, "AXUnknown", "heading");
    expectRole(129, "AXButton", "push button menu");
    EXPECT_EQ(atspiRoleName(130), "");
    expectRole(500, "AXUnknown", "");
}

TEST(RoleMapping, CheckableRolesAreTheOnesWithACheckedState) {
    for (std::uint32_t role : {7U, 8U, 44U, 45U, 62U}) {
        EXPECT_TRUE(isCheckableRole(role)) << atspiRoleName(role);
    }
    for (std::uint32_t role : {43U, 61U, 29U, 35U}) {
        EXPECT_FALSE(isCheckableRole(role)) << atspiRoleName(role);
    }
}

} // namespace
} // namespace orvel::linuxdesktop
