// Wire and fingerprint text: layout, escaping, refusals and deep documents.
#include "OrvelControlCore/Json.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace orvel {
namespace {

const double notANumber = std::numeric_limits<double>::quiet_NaN();
const double infinity = std::numeric_limits<double>::infinity();

std::string nestedArrays(int depth) {
    return std::string(static_cast<std::size_t>(depth), '[') +
           std::string(static_cast<std::size_t>(depth), ']');
}

TEST(Json, ParseTakesOneValueWithOnlyWhiteSpaceAroundIt) {
    using namespace std::string_literals;
    EXPECT_EQ(parseJson(" \t{\"a\":1}\r\n"), (Json{{"a", 1}}));
    EXPECT_EQ(parseJson("[1,2]"), Json::array({1, 2}));
    EXPECT_FALSE(parseJson("{\"a\":1}\0 garbage"s));
    EXPECT_FALSE(parseJson("{\"a\":1}\r\0"s));
    EXPECT_FALSE(parseJson("\0{\"a\":1}"s));
    EXPECT_FALSE(parseJson("{\"a\":1} x"));
    EXPECT_FALSE(parseJson("{\"a\":1}{}"));
    EXPECT_FALSE(parseJson("{\"a\":1}\v"));
    EXPECT_FALSE(parseJson(""));
    EXPECT_FALSE(parseJson("{\"a\":"));
}

TEST(Json, WireTextIsCompactSortedAndLeavesTheSolidusAlone) {
    const Json value = Json::parse(R"({ "zeta": [1, 2.5, -3], "alpha": {"b": null, "a": true},
                                        "path": "a/b", "Upper": false })");
    EXPECT_EQ(wireText(value),
              R"({"Upper":false,"alpha":{"a":true,"b":null},"path":"a/b","zeta":[1,2.5,-3]})");
}

TEST(Json, WireTextMatchesTheLibraryDumpForEveryKindOfValue) {
    Json value = Json::object();
    value["controls"] = std::string("\x01\x08\t\n\x0b\x0c\r\x1f\x7f", 9);
    value["quotes"] = "say \"hi\" \\ there";
    value["unicode"] = "æøå — 😀 e\xCC\x81";
    value["nul"] = std::string("a\0b", 3);
    value["floats"] = Json::array({0.1, 1.0, -0.0, 1e100, 5e-324, 123456789.125});
    value["integers"] = Json::array(
        {std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::uint64_t>::max(), 0});
    value["nested"] = Json::array({Json::object(), Json::array(), Json::array({Json::object()})});
    value["ke\"y\n"] = 1;
    EXPECT_EQ(wireText(value), value.dump());
}

TEST(Json, WireTextRefusesWhatCannotTravel) {
    EXPECT_FALSE(wireText(Json{{"a", notANumber}}));
    EXPECT_FALSE(wireText(Json{{"a", {{"b", Json::array({1, infinity})}}}}));
    EXPECT_FALSE(wireText(Json::array({1, 2})));
    EXPECT_FALSE(wireText(Json("text")));
    EXPECT_FALSE(wireText(Json{{"a", "\xFF"}}));
    EXPECT_FALSE(wireText(Json{{"a", "\xC0\xAF"}}));         // overlong "/"
    EXPECT_FALSE(wireText(Json{{"a", "\xED\xA0\x80"}}));     // surrogate
    EXPECT_FALSE(wireText(Json{{"a", "\xF4\x90\x80\x80"}})); // past U+10FFFF
    EXPECT_FALSE(wireText(Json{{"a", "\xE2\x82"}}));         // cut short
    EXPECT_FALSE(wireText(Json{{"\xFF", 1}}));
    EXPECT_FALSE(wireText(Json{{"a", Json::binary({1, 2})}}));
    EXPECT_EQ(wireText(Json::object()), "{}");
}

TEST(Json, FingerprintTextEscapesEverySolidusAndOtherwiseMatchesTheDump) {
    const Json value = Json::parse(R"({"url": "https://a/b", "k/ey": ["/", "x"], "n": 1.5})");
    std::string expected = value.dump();
    for (std::size_t at = expected.find('/'); at != std::string::npos;
         at = expected.find('/', at + 2)) {
        expected.replace(at, 1, "\\/");
    }
    EXPECT_EQ(fingerprintText(value), expected);
    EXPECT_EQ(fingerprintText(value), R"({"k\/ey":["\/","x"],"n":1.5,"url":"https:\/\/a\/b"})");
}

TEST(Json, FingerprintTextNeverFailsAndKeepsInvalidBytesDistinct) {
    EXPECT_EQ(fingerprintText(Json{{"a", notANumber}}), R"({"a":null})");
    EXPECT_EQ(fingerprintText(Json::array({1, "x"})), R"([1,"x"])");
    EXPECT_NE(fingerprintText(Json{{"a", "\xFF"}}), fingerprintText(Json{{"a", "\xFE"}}));
}

TEST(Json, FingerprintTextWithoutSkipsOnlyTheTopLevelKey) {
    const Json request = Json::parse(R"({"id": "r1", "op": "ping", "inner": {"id": "kept"}})");
    EXPECT_EQ(fingerprintTextWithout(request, "id"), R"({"inner":{"id":"kept"},"op":"ping"})");
    EXPECT_EQ(fingerprintTextWithout(Json{{"id", 1}}, "id"), "{}");
}

TEST(Json, DeeplyNestedDocumentsAreWrittenWithoutExhaustingTheStack) {
    constexpr int depth = 200000;
    Json deep = Json::object();
    deep["deep"] = Json::parse(nestedArrays(depth));
    const auto text = wireText(deep);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, R"({"deep":)" + nestedArrays(depth) + "}");
    EXPECT_EQ(fingerprintText(deep), *text);
    EXPECT_TRUE(isFiniteJson(deep));
    EXPECT_TRUE(isSerialisable(deep));
}

TEST(Json, FinitenessAndSerialisabilityLookEverywhere) {
    EXPECT_TRUE(isFiniteJson(Json{{"a", 1.5}, {"b", "\xFF"}}));
    EXPECT_FALSE(isFiniteJson(Json{{"a", Json::array({Json{{"b", -infinity}}})}}));
    EXPECT_FALSE(isFiniteJson(Json(notANumber)));

    EXPECT_TRUE(isSerialisable(Json{{"a", Json::array({1, "æ", nullptr, true})}}));
    EXPECT_FALSE(isSerialisable(Json{{"a", Json::array({"ok", "\xFF"})}}));
    EXPECT_FALSE(isSerialisable(Json{{"a", Json{{"\xFF", 1}}}}));
    EXPECT_FALSE(isSerialisable(Json{{"a", notANumber}}));
    EXPECT_FALSE(isSerialisable(Json{{"a", Json::binary({1})}}));
}

} // namespace
} // namespace orvel
