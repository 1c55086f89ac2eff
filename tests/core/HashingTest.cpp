// SHA-256 and Base64 against known answers.
#include "OrvelControlCore/Hashing.hpp"

#include <gtest/gtest.h>

namespace orvel {
namespace {

TEST(Hashing, Sha256OfKnownTextsAndInPieces) {
    EXPECT_EQ(sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    Sha256 pieces;
    pieces.update("a");
    pieces.update("");
    pieces.update("bc");
    EXPECT_EQ(pieces.hexDigest(), sha256Hex("abc"));
}

TEST(Hashing, Base64PadsAndNeverBreaksLines) {
    EXPECT_EQ(base64({}), "");
    EXPECT_EQ(base64({'f'}), "Zg==");
    EXPECT_EQ(base64({'f', 'o'}), "Zm8=");
    EXPECT_EQ(base64({'f', 'o', 'o'}), "Zm9v");
    std::vector<std::uint8_t> large(3 * (1 << 20) + 5, 0xFB);
    std::string text = base64(large);
    EXPECT_EQ(text.size(), 4 * ((large.size() + 2) / 3));
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(text.substr(0, 4), "+/v7");
    EXPECT_EQ(text.substr(text.size() - 4), "+/s=");
}

} // namespace
} // namespace orvel
