// Rectangle helpers on standardised rectangles, with CoreGraphics' edge rules.
#include "OrvelControlCore/Geometry.hpp"

#include <gtest/gtest.h>

namespace orvel {
namespace {

TEST(Geometry, NegativeSizesAreFlippedBeforeMeasuring) {
    const Rect flipped{{110, 70}, {-100, -50}};
    EXPECT_EQ(flipped.standardized(), (Rect{{10, 20}, {100, 50}}));
    EXPECT_EQ(flipped.minX(), 10);
    EXPECT_EQ(flipped.minY(), 20);
    EXPECT_EQ(flipped.maxX(), 110);
    EXPECT_EQ(flipped.maxY(), 70);
    EXPECT_EQ(flipped.midPoint(), (Point{60, 45}));
    const Rect plain{{10, 20}, {100, 50}};
    EXPECT_EQ(plain.midX(), flipped.midX());
    EXPECT_EQ(plain.midY(), flipped.midY());
}

TEST(Geometry, ContainsMinimumEdgesButNotMaximumEdges) {
    const Rect rect{{10, 20}, {100, 50}};
    EXPECT_TRUE(rect.contains({10, 20}));
    EXPECT_TRUE(rect.contains({109.999, 69.999}));
    EXPECT_FALSE(rect.contains({110, 40}));
    EXPECT_FALSE(rect.contains({50, 70}));
    EXPECT_FALSE(rect.contains({9.999, 40}));
    EXPECT_TRUE((Rect{{110, 70}, {-100, -50}}).contains({10, 20}));
    EXPECT_FALSE((Rect{{110, 70}, {-100, -50}}).contains({110, 70}));
}

TEST(Geometry, EmptyRectanglesContainAndMeetNothing) {
    const Rect line{{0, 0}, {0, 10}};
    EXPECT_TRUE(line.isEmpty());
    EXPECT_FALSE(line.contains({0, 5}));
    EXPECT_FALSE(line.intersects({{-5, -5}, {20, 20}}));
    EXPECT_FALSE((Rect{{0, 0}, {-3, 4}}).isEmpty());
}

TEST(Geometry, IntersectsOnlyWhenSharingArea) {
    const Rect rect{{0, 0}, {10, 10}};
    EXPECT_TRUE(rect.intersects({{9, 9}, {5, 5}}));
    EXPECT_TRUE(rect.intersects({{2, 2}, {1, 1}}));
    EXPECT_FALSE(rect.intersects({{10, 0}, {5, 5}}));
    EXPECT_FALSE(rect.intersects({{0, 10}, {5, 5}}));
    EXPECT_TRUE(rect.intersects({{15, 15}, {-10, -10}}));
}

} // namespace
} // namespace orvel
