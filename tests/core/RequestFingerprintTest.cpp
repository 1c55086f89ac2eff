// Content fingerprints: independent of key order, white space and id; sensitive to everything else.
#include "OrvelControlCore/RequestFingerprint.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

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

// The fingerprint of a ping whose "x" is written as `number`.
std::string fingerprintWithX(const std::string& number) {
    return fingerprintOf(R"({"id":"a","op":"ping","x":)" + number + "}");
}

TEST(RequestFingerprint, DoesNotDependOnHowANumberIsWritten) {
    for (const auto& spellings : std::vector<std::vector<std::string>>{
             {"3", "3.0", "3e0", "3E+0", "0.3e1", "300e-2", "3.000"},
             {"-3", "-3.0", "-3e0", "-0.03e2"},
             {"0", "-0", "0.0", "-0.0", "0e5", "-0e-5"},
             {"1.5", "15e-1", "1.50", "0.15E1"},
             {"9007199254740992", "9007199254740992.0", "9.007199254740992e15"},
             {"-9223372036854775808", "-9223372036854775808.0", "-9.223372036854775808e18"},
             {"18446744073709551616", "1.8446744073709551616e19", "18446744073709551616.0"},
             {"1e300", "1.0e300", "10e299"}}) {
        for (const auto& spelling : spellings) {
            EXPECT_EQ(fingerprintWithX(spelling), fingerprintWithX(spellings.front()))
                << spelling << " and " << spellings.front();
        }
    }
    EXPECT_EQ(fingerprintOf(R"({"op":"act","a":[3.0,{"b":-0.0}]})"),
              fingerprintOf(R"({"op":"act","a":[3,{"b":0}]})"));
}

TEST(RequestFingerprint, KeepsUnequalNumbersApart) {
    const std::vector<std::string> distinct = {
        "3",
        "3.5",
        "-3",
        "0.1",
        "0.2",
        "9007199254740992",
        "9007199254740993",
        "9007199254740994",
        "18446744073709551615",
        "18446744073709551616",
        "-9223372036854775807",
        "-9223372036854775808",
        "1e300",
        "1e301",
        "1e-300",
        "\"3\"",
        "true",
        "null",
        "[3]",
    };
    std::set<std::string> fingerprints;
    for (const auto& value : distinct) {
        fingerprints.insert(fingerprintWithX(value));
    }
    EXPECT_EQ(fingerprints.size(), distinct.size());
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
