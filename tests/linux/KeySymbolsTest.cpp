// The program's keys, characters, modifiers, buttons and wheel amounts in the X server's terms.
#include "platform/linux/input/KeySymbols.hpp"

#include "OrvelControlCore/Keymap.hpp"

#include <X11/keysym.h>
#include <gtest/gtest.h>

namespace orvel::linuxdesktop {
namespace {

TEST(KeySymbols, EveryKeyOfTheKeyMapHasTheKeyAtTheSamePlace) {
    EXPECT_EQ(keysymForVirtualKey(Keymap::code("return")), XK_Return);
    EXPECT_EQ(keysymForVirtualKey(Keymap::code("enter")), XK_Return);
    EXPECT_EQ(keysymForVirtualKey(Keymap::code("delete")), XK_BackSpace);
    EXPECT_EQ(keysymForVirtualKey(Keymap::code("forwarddelete")), XK_Delete);
    EXPECT_EQ(keysymForVirtualKey(Keymap::code("pageup")), XK_Prior);
    EXPECT_EQ(keysymForVirtualKey(Keymap::code("pagedown")), XK_Next);
    EXPECT_EQ(keysymForVirtualKey(Keymap::code("f12")), XK_F12);
    EXPECT_EQ(keysymForVirtualKey(Keymap::code("a")), XK_a);
    EXPECT_EQ(keysymForVirtualKey(Keymap::code("z")), XK_z);
    EXPECT_EQ(keysymForVirtualKey(Keymap::code("8")), XK_8);
    EXPECT_EQ(keysymForVirtualKey(Keymap::code("9")), XK_9);
    for (const char* name :
         {"tab", "space", "escape", "home", "end", "left", "right", "up", "down", "0", "q", "m"}) {
        EXPECT_TRUE(keysymForVirtualKey(Keymap::code(name))) << name;
    }
    EXPECT_FALSE(keysymForVirtualKey(0x7F)) << "no key of the map has code 127";
}

TEST(KeySymbols, CharactersAreLatin1OrUnicodeKeysyms) {
    EXPECT_EQ(keysymForCodePoint(U'a'), XK_a);
    EXPECT_EQ(keysymForCodePoint(U'ø'), XK_oslash);
    EXPECT_EQ(keysymForCodePoint(U'Å'), XK_Aring);
    EXPECT_EQ(keysymForCodePoint(U'€'), 0x010020ACU);
    EXPECT_EQ(keysymForCodePoint(U'—'), 0x01002014U);
    EXPECT_EQ(keysymForCodePoint(U'😀'), 0x0101F600U);
    EXPECT_EQ(keysymForCodePoint(U'\n'), XK_Return);
    EXPECT_EQ(keysymForCodePoint(U'\t'), XK_Tab);
}

TEST(KeySymbols, WhatNoKeyCanTypeHasNoKeysym) {
    EXPECT_FALSE(keysymForCodePoint(0x07));
    EXPECT_FALSE(keysymForCodePoint(0x85));
    EXPECT_FALSE(keysymForCodePoint(0xD800));
    EXPECT_FALSE(keysymForCodePoint(0x110000));
}

TEST(KeySymbols, ModifiersArePressedShiftFirstAndFnHasNoKey) {
    using namespace Keymap;
    EXPECT_EQ(modifierKeysyms(maskControl | maskShift),
              (std::vector<Keysym>{XK_Shift_L, XK_Control_L}));
    EXPECT_EQ(modifierKeysyms(maskAlternate), std::vector<Keysym>{XK_Alt_L});
    EXPECT_EQ(modifierKeysyms(maskCommand), std::vector<Keysym>{XK_Super_L});
    EXPECT_TRUE(modifierKeysyms(maskSecondaryFn).empty());
    EXPECT_TRUE(modifierKeysyms(0).empty());
}

TEST(KeySymbols, ButtonsSkipTheWheel) {
    EXPECT_EQ(xButton(0), 1U);
    EXPECT_EQ(xButton(1), 3U);
    EXPECT_EQ(xButton(2), 2U);
    EXPECT_EQ(xButton(3), 8U);
    EXPECT_EQ(xButton(4), 9U);
}

TEST(KeySymbols, OneWheelClickPerStartedNotch) {
    const auto down = wheelClicks(-120, 0);
    ASSERT_EQ(down.size(), 1U);
    EXPECT_EQ(down[0].button, 5U);
    EXPECT_EQ(down[0].count, 3);
    const auto small = wheelClicks(1, 0);
    ASSERT_EQ(small.size(), 1U);
    EXPECT_EQ(small[0].button, 4U);
    EXPECT_EQ(small[0].count, 1);
    const auto sideways = wheelClicks(0, -41);
    ASSERT_EQ(sideways.size(), 1U);
    EXPECT_EQ(sideways[0].button, 7U);
    EXPECT_EQ(sideways[0].count, 2);
    const auto both = wheelClicks(40, 80);
    ASSERT_EQ(both.size(), 2U);
    EXPECT_EQ(both[1].button, 6U);
    EXPECT_EQ(both[1].count, 2);
    EXPECT_TRUE(wheelClicks(0, 0).empty());
    EXPECT_EQ(wheelClicks(-2000, 0)[0].count, 50);
}

} // namespace
} // namespace orvel::linuxdesktop
