// Application names in the order a person's language sorts them, ignoring case.
#include "platform/linux/NameCollation.hpp"

#include <gtest/gtest.h>

namespace orvel::linuxdesktop {
namespace {

TEST(NameCollation, IgnoresCase) {
    EXPECT_EQ(compareNames("Mousepad", "mousepad"), 0);
    EXPECT_LT(compareNames("apple", "Banana"), 0);
    EXPECT_GT(compareNames("Zenity", "xterm"), 0);
}

TEST(NameCollation, ComparesCanonicallyEquivalentNamesAsEqual) {
    // "Å" precomposed and as A with a combining ring.
    EXPECT_EQ(compareNames("\xC3\x85pen", "A\xCC\x8Apen"), 0);
}

} // namespace
} // namespace orvel::linuxdesktop
