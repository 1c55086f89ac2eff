// Typed reading of request arguments: wrong types read as absent, booleans and numbers never mix.
#include "OrvelControlCore/RequestAccessors.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvel {
namespace {

std::optional<std::int64_t> intOf(const std::string& number) {
    return readInt(Json::parse(R"({"n": )" + number + "}"), "n");
}

TEST(RequestAccessors, IntAcceptsWholeNumbersUpToTwoToTheFiftyThirdInAnyNotation) {
    EXPECT_EQ(intOf("3"), 3);
    EXPECT_EQ(intOf("3.0"), 3);
    EXPECT_EQ(intOf("3e0"), 3);
    EXPECT_EQ(intOf("-0.0"), 0);
    EXPECT_EQ(intOf("9007199254740992"), 9007199254740992);
    EXPECT_EQ(intOf("-9007199254740992"), -9007199254740992);
    EXPECT_FALSE(intOf("9007199254740994"));
    EXPECT_FALSE(intOf("9007199254740993")); // would round onto 2^53 through a double
    EXPECT_FALSE(intOf("-9007199254740993"));
    EXPECT_FALSE(intOf("18446744073709551615"));
    EXPECT_FALSE(intOf("9007199254740994.0"));
    EXPECT_FALSE(intOf("3.5"));
    EXPECT_FALSE(intOf("true"));
    EXPECT_FALSE(intOf(R"("3")"));
    EXPECT_FALSE(intOf("null"));
}

TEST(RequestAccessors, BooleansAreNeverNumbersAndNumbersNeverBooleans) {
    const Json request = Json::parse(R"({"t": true, "f": false, "one": 1, "zero": 0})");
    EXPECT_EQ(readBool(request, "t"), true);
    EXPECT_EQ(readBool(request, "f"), false);
    EXPECT_FALSE(readBool(request, "one"));
    EXPECT_FALSE(readBool(request, "zero"));
    EXPECT_FALSE(readDouble(request, "t"));
    EXPECT_FALSE(readInt(request, "f"));
}

TEST(RequestAccessors, DoubleAcceptsOnlyFiniteNumbers) {
    const Json request = Json::parse(R"({"a": 2.5, "b": 7, "c": "2.5", "d": -1e308})");
    EXPECT_EQ(readDouble(request, "a"), 2.5);
    EXPECT_EQ(readDouble(request, "b"), 7.0);
    EXPECT_FALSE(readDouble(request, "c"));
    EXPECT_EQ(readDouble(request, "d"), -1e308);
    Json built = Json::object();
    built["nan"] = std::numeric_limits<double>::quiet_NaN();
    built["inf"] = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(readDouble(built, "nan"));
    EXPECT_FALSE(readDouble(built, "inf"));
}

TEST(RequestAccessors, PidAndWindowIdKeepToTheirRanges) {
    const Json request = Json::parse(R"({"zero": 0, "negative": -5, "pidMax": 2147483647,
        "pidOver": 2147483648, "windowMax": 4294967295, "windowOver": 4294967296, "whole": 42.0})");
    EXPECT_FALSE(readPid(request, "zero"));
    EXPECT_FALSE(readPid(request, "negative"));
    EXPECT_EQ(readPid(request, "pidMax"), 2147483647);
    EXPECT_FALSE(readPid(request, "pidOver"));
    EXPECT_EQ(readPid(request, "whole"), 42);
    EXPECT_FALSE(readWindowId(request, "zero"));
    EXPECT_EQ(readWindowId(request, "windowMax"), 4294967295u);
    EXPECT_FALSE(readWindowId(request, "windowOver"));
    EXPECT_FALSE(readWindowId(request, "negative"));
}

TEST(RequestAccessors, StringsObjectsAndStringArraysNeedTheirExactType) {
    const Json request = Json::parse(R"({"s": "x", "o": {"k": 1}, "list": ["a", "b"],
        "mixed": ["a", 1], "empty": [], "n": 1})");
    EXPECT_EQ(readString(request, "s"), "x");
    EXPECT_FALSE(readString(request, "n"));
    ASSERT_NE(readObject(request, "o"), nullptr);
    EXPECT_EQ(*readObject(request, "o"), (Json{{"k", 1}}));
    EXPECT_EQ(readObject(request, "o"), &request["o"]) << "a view, not a copy";
    EXPECT_EQ(readObject(request, "list"), nullptr);
    EXPECT_EQ(readStrings(request, "list"), (std::vector<std::string>{"a", "b"}));
    EXPECT_FALSE(readStrings(request, "mixed"));
    EXPECT_EQ(readStrings(request, "empty"), std::vector<std::string>{});
    EXPECT_FALSE(readStrings(request, "s"));
    EXPECT_FALSE(readString(request, "missing"));
}

TEST(RequestAccessors, ARequestThatIsNotAnObjectHasNoArguments) {
    for (const Json& request : {Json::array({"s"}), Json("s"), Json(nullptr), Json(3)}) {
        EXPECT_FALSE(readString(request, "s"));
        EXPECT_FALSE(readInt(request, "s"));
        EXPECT_FALSE(readStrings(request, "s"));
    }
}

} // namespace
} // namespace orvel
