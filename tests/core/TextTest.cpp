// Characters as extended grapheme clusters, canonical composition, lower-casing, categories and
// UTF-16, including bytes that are not valid UTF-8.
#include "OrvelControlCore/Text.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvel::text {
namespace {

const std::string precomposedE = "\xC3\xA9"; // é
const std::string decomposedE = "e\xCC\x81"; // e + combining acute
const std::string family =
    "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";
const std::string norwayFlag = "\xF0\x9F\x87\xB3\xF0\x9F\x87\xB4";
const std::string swedenFlag = "\xF0\x9F\x87\xB8\xF0\x9F\x87\xAA";

TEST(Text, CountsUserPerceivedCharacters) {
    EXPECT_EQ(characterCount(""), 0u);
    EXPECT_EQ(characterCount("abc"), 3u);
    EXPECT_EQ(characterCount("a\r\nb"), 3u);
    EXPECT_EQ(characterCount("\n\r"), 2u);
    EXPECT_EQ(characterCount(decomposedE), 1u);
    EXPECT_EQ(characterCount("a" + decomposedE + "b"), 3u);
    EXPECT_EQ(characterCount(family), 1u);
    EXPECT_EQ(characterCount(norwayFlag + swedenFlag), 2u);
    EXPECT_EQ(characterCount("\xE1\x84\x80\xE1\x85\xA1\xE1\x86\xA8"), 1u); // Hangul L V T
    EXPECT_EQ(characterCount("æøå"), 3u);
}

TEST(Text, CountsEachInvalidByteAsOneCharacter) {
    EXPECT_EQ(characterCount("\xFF"), 1u);
    EXPECT_EQ(characterCount("a\xFF\xFE"
                             "b"),
              4u);
    EXPECT_EQ(characterCount("\xE2\x82"), 2u);      // truncated sequence
    EXPECT_EQ(characterCount("e\xFF\xCC\x81"), 3u); // the mark cannot join across the byte
    EXPECT_EQ(characterCount(std::string("a\0b", 3)), 3u);
}

TEST(Text, PrefixesEndOnCharacterBoundaries) {
    EXPECT_EQ(prefixCharacters("a" + decomposedE + "bc", 2), "a" + decomposedE);
    EXPECT_EQ(prefixCharacters(family + "x", 1), family);
    EXPECT_EQ(prefixCharacters("abc", 10), "abc");
    EXPECT_EQ(prefixCharacters("abc", 0), "");
    EXPECT_EQ(prefixCharacters("x\r\ny", 2), "x\r\n");
    EXPECT_EQ(prefixByteLength(norwayFlag + swedenFlag, 1), norwayFlag.size());
}

TEST(Text, SplitsIntoCharactersThatJoinBackToTheText) {
    const std::string text = "Hi " + decomposedE + family + "\r\n\xFF" + norwayFlag;
    const std::vector<std::string> expected{"H",    "i",    " ",    decomposedE,
                                            family, "\r\n", "\xFF", norwayFlag};
    EXPECT_EQ(characters(text), expected);
    EXPECT_TRUE(characters("").empty());
}

TEST(Text, ComposesCanonicallyEquivalentTextToOneForm) {
    EXPECT_EQ(nfc(decomposedE), precomposedE);
    EXPECT_EQ(nfc(precomposedE), precomposedE);
    EXPECT_EQ(nfc("A\xCC\x8A"), "\xC3\x85");    // A + ring above = Å
    EXPECT_EQ(nfc("\xE2\x84\xAB"), "\xC3\x85"); // the Ångström sign is a singleton
    EXPECT_EQ(nfc("plain ascii"), "plain ascii");
    EXPECT_EQ(nfc("e\xCC\x81\xFF"), "e\xCC\x81\xFF");
    EXPECT_EQ(nfc(std::string("\xC3\xA9\0x", 4)), std::string("\xC3\xA9\0x", 4));
}

TEST(Text, ComparesUnderCanonicalEquivalence) {
    EXPECT_TRUE(canonicallyEqual("Caf" + precomposedE, "Caf" + decomposedE));
    EXPECT_TRUE(canonicallyEqual("AXWindow", "AXWindow"));
    EXPECT_FALSE(canonicallyEqual("AXWindow", "AXwindow")) << "case matters";
    // The Kelvin sign is a canonical singleton of K: an identifier spelled with it is the
    // plain one.
    EXPECT_TRUE(canonicallyEqual("org.keepassxc.\xE2\x84\xAA"
                                 "eePassXC",
                                 "org.keepassxc.KeePassXC"));
    // The compatibility forms are different text.
    EXPECT_FALSE(canonicallyEqual("\xEF\xBC\xB4"
                                  "erminal",
                                  "Terminal"));
    EXPECT_FALSE(canonicallyEqual("e\xCC\x81\xFF", precomposedE + "\xFF"))
        << "invalid text is compared byte for byte";
}

TEST(Text, LowerCasesEveryScalar) {
    EXPECT_EQ(lowercased("ÆØÅ Return F12"), "æøå return f12");
    EXPECT_EQ(lowercased("\xCE\xA3"), "\xCF\x83");  // Σ → σ
    EXPECT_EQ(lowercased("\xC4\xB0"), "i\xCC\x87"); // İ → i + dot above
    EXPECT_EQ(lowercased("A\xFF"
                         "B"),
              "a\xFF"
              "b");
}

TEST(Text, TellsGeneralCategoriesApart) {
    EXPECT_TRUE(isLetterOrNumber(U'a'));
    EXPECT_TRUE(isLetterOrNumber(U'Ø'));
    EXPECT_TRUE(isLetterOrNumber(U'7'));
    EXPECT_TRUE(isLetterOrNumber(U'\u0663')); // Arabic-Indic three
    EXPECT_FALSE(isLetterOrNumber(U'\u0301'));
    EXPECT_FALSE(isLetterOrNumber(U'-'));
    EXPECT_TRUE(isAlphanumeric(U'\u0301'));
    EXPECT_FALSE(isAlphanumeric(U' '));
    EXPECT_TRUE(isWhitespaceOrControl(U' '));
    EXPECT_TRUE(isWhitespaceOrControl(U'\n'));
    EXPECT_TRUE(isWhitespaceOrControl(U'\u00A0'));
    EXPECT_TRUE(isWhitespaceOrControl(U'\u2028'));
    EXPECT_FALSE(isWhitespaceOrControl(U'x'));
}

TEST(Text, ReadsTheFirstScalar) {
    EXPECT_EQ(firstScalar(precomposedE + "x"), U'\u00E9');
    EXPECT_EQ(firstScalar(family), U'\U0001F468');
    EXPECT_FALSE(firstScalar(""));
    EXPECT_FALSE(firstScalar("\x80"));
}

TEST(Text, ConvertsToUtf16WithSurrogatePairs) {
    EXPECT_EQ(utf16("a" + precomposedE), u"a\u00E9");
    EXPECT_EQ(utf16("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(utf16("\xF0\x9F\x98\x80").size(), 2u);
    EXPECT_EQ(utf16("a\xFF"
                    "b"),
              u"a\uFFFDb");
}

TEST(Text, ValidatesAndRepairsUtf8) {
    EXPECT_TRUE(isValidUtf8("æøå 😀"));
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_FALSE(isValidUtf8("\xC0\x80"));
    EXPECT_FALSE(isValidUtf8("\xED\xB0\x80"));
    EXPECT_FALSE(isValidUtf8("abc\xE2\x82"));
    // One replacement for each invalid sequence: a truncated sequence is one, a byte that can
    // never start or continue one is one by itself.
    EXPECT_EQ(validUtf8("a\xFF"
                        "b\xE2\x82"),
              "a\uFFFDb\uFFFD");
    EXPECT_EQ(validUtf8("\xF0\x9F\x98x"), "\uFFFDx");
    EXPECT_EQ(validUtf8("\xC0\xAF"), "\uFFFD\uFFFD") << "an overlong lead is never valid";
    EXPECT_EQ(validUtf8("\xED\xA0\x80"), "\uFFFD\uFFFD\uFFFD") << "a surrogate";
    EXPECT_EQ(validUtf8("\xF4\x90\x80\x80"), "\uFFFD\uFFFD\uFFFD\uFFFD") << "past U+10FFFF";
    EXPECT_EQ(validUtf8("\xE2\x82\xAC\xE2\x82"), "\xE2\x82\xAC\uFFFD");
    EXPECT_EQ(validUtf8("æ"), "æ");
    EXPECT_TRUE(isValidUtf8(validUtf8("\xC0\xAF\xF5\x80")));
}

} // namespace
} // namespace orvel::text
