// Content fingerprints: independent of key order, white space and id; sensitive to everything else.
#include "OrvelControlCore/RequestFingerprint.hpp"

#include <gtest/gtest.h>

#include <string>

namespace orvel {
namespace {

std::string fingerprintOf(const std::string& line) {
    return requestFingerprint(Json::parse(line));
}

TEST(RequestFingerprint, IgnoresKeyOrderWhiteSpaceAndId) {
    const std::string reference = fingerprintOf(R"({"id":"a","op":"observe","x":1})");
    EXPECT_EQ(fingerprintOf(R"({ "x" : 1 , "op" : "observe" })"), reference);
    EXPECT_EQ(fingerprintOf(R"({"x":1,"id":"other","op":"observe"})"), reference);
    EXPECT_EQ(fingerprintOf(R"({"x":1,"id":7,"op":"observe"})"), reference);
}

TEST(RequestFingerprint, ChangesWithAnyValueOrKey) {
    const std::string reference = fingerprintOf(R"({"op":"observe","x":1})");
    EXPECT_NE(fingerprintOf(R"({"op":"observe","x":2})"), reference);
    EXPECT_NE(fingerprintOf(R"({"op":"observe","x":"1"})"), reference);
    EXPECT_NE(fingerprintOf(R"({"op":"observe","x":1,"y":null})"), reference);
    EXPECT_NE(fingerprintOf(R"({"op":"observe","x":true})"), reference);
    EXPECT_NE(fingerprintOf(R"({"op":"observe","x":[1]})"), reference);
    EXPECT_NE(fingerprintOf(R"({"op":"observe","x":{"id":1}})"),
              fingerprintOf(R"({"op":"observe","x":{}})"));
}

TEST(RequestFingerprint, IsTheSha256OfTheEscapedSortedText) {
    // SHA-256 of the bytes {"op":"a\/b"}.
    EXPECT_EQ(fingerprintOf(R"({"op":"a/b","id":"z"})"),
              "b88674fdde7e3442816e4549d201191edd4d405aef0e3eafef35f519a14683ef");
    // SHA-256 of the bytes {}.
    EXPECT_EQ(fingerprintOf(R"({"id":"z"})"),
              "44136fa355b3678a1146ad16f7e8649e94fb4fc21fe77e8310c060f61caaff8a");
}

} // namespace
} // namespace orvel
