// Shortened texts, clamped numbers, rectangle payloads and exact integers.
#include "OrvelControlCore/Payload.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace orvel {
namespace {

TEST(Payload, TruncatedCountsCharactersAndAddsOneEllipsis) {
    const std::string forty(40, 'a');
    EXPECT_EQ(truncated(forty, 40), forty);
    EXPECT_EQ(truncated(forty + "b", 40), forty + "…");
    EXPECT_EQ(truncated("", 0), "");
    EXPECT_EQ(truncated("ab", 0), "…");
    EXPECT_EQ(truncated("ab", -3), "…");
    const std::string accented = "e\xCC\x81";
    EXPECT_EQ(truncated(accented + accented + accented, 2), accented + accented + "…");
    EXPECT_EQ(truncated(accented + accented, 2), accented + accented);
    EXPECT_EQ(truncated("æøåæ", 3), "æøå…");
}

TEST(Payload, ClampUsesTheFallbackUnclampedAndLetsHighWin) {
    EXPECT_EQ(clamp(std::nullopt, 250, 1, 600), 250);
    EXPECT_EQ(clamp(0, 250, 1, 600), 1);
    EXPECT_EQ(clamp(9999, 250, 1, 600), 600);
    EXPECT_EQ(clamp(42, 250, 1, 600), 42);
    EXPECT_EQ(clamp(std::nullopt, 900, 1, 600), 900);
    EXPECT_EQ(clamp(5, 0, 10, 3), 3);
}

TEST(Payload, RectPayloadRoundsHalvesAwayFromZeroWithoutNormalising) {
    const Json payload = rectPayload({{10.5, -2.5}, {100.49, 0.5}});
    EXPECT_EQ(payload, (Json{{"x", 11}, {"y", -3}, {"width", 100}, {"height", 1}}));
    EXPECT_TRUE(payload["x"].is_number_integer());
    EXPECT_EQ(wireText(payload), R"({"height":1,"width":100,"x":11,"y":-3})");
    EXPECT_EQ(rectPayload({{0, 0}, {-20.5, -0.4}}),
              (Json{{"x", 0}, {"y", 0}, {"width", -21}, {"height", 0}}));
}

TEST(Payload, RectPayloadSurvivesHostileFrames) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    const Json payload = rectPayload({{nan, infinity}, {1e300, -9223372036854775808.0}});
    EXPECT_TRUE(payload["x"].is_null());
    EXPECT_TRUE(payload["y"].is_null());
    EXPECT_EQ(payload["width"], 1e300);
    EXPECT_EQ(payload["height"], std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(rectPayload({{9223372036854775808.0, 0}, {0, 0}})["x"], 9223372036854775808.0);
    EXPECT_TRUE(wireText(Json{{"frame", payload}}));
}

TEST(Payload, ExactIntAcceptsOnlyWholeValuesUpToTwoToTheFiftyThird) {
    EXPECT_EQ(exactInt(9007199254740992.0), 9007199254740992);
    EXPECT_EQ(exactInt(-9007199254740992.0), -9007199254740992);
    EXPECT_FALSE(exactInt(9007199254740994.0));
    EXPECT_EQ(exactInt(-0.0), 0);
    EXPECT_EQ(exactInt(3.0), 3);
    EXPECT_FALSE(exactInt(3.5));
    EXPECT_FALSE(exactInt(std::nan("")));
    EXPECT_FALSE(exactInt(std::numeric_limits<double>::infinity()));
}

} // namespace
} // namespace orvel
