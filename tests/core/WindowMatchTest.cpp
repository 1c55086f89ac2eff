// Matching a window-server frame to accessibility windows.
#include "OrvelControlCore/WindowMatch.hpp"

#include <gtest/gtest.h>

namespace orvel {
namespace {

const Rect expected{{100, 100}, {800, 600}};

WindowCandidate at(double x, double width, std::string title = "") {
    return WindowCandidate{Rect{{x, 100}, {width, 600}}, std::move(title)};
}

TEST(WindowMatch, DistanceSumsTheFourDifferencesOfAbsoluteSizes) {
    EXPECT_DOUBLE_EQ(WindowMatch::distance(expected, Rect{{103, 99}, {-803, 600}}), 7.0);
    EXPECT_EQ(WindowMatch::resolve(expected, "", {at(103, 803)}), WindowResolution::unique(0))
        << "exactly 6 matches";
    EXPECT_EQ(WindowMatch::resolve(expected, "", {at(103.25, 803.25)}), WindowResolution::none())
        << "6.5 does not";
}

TEST(WindowMatch, TitlesBreakTiesAndNeverInventAMatch) {
    EXPECT_EQ(
        WindowMatch::resolve(expected, "Notes", {at(100, 800, "Other"), at(100, 800, "Notes")}),
        WindowResolution::unique(1));
    EXPECT_EQ(WindowMatch::resolve(expected, "", {at(100, 800, "Other"), at(100, 800, "Notes")}),
              WindowResolution::ambiguous({0, 1}));
    EXPECT_EQ(WindowMatch::resolve(expected, "Notes", {at(100, 800, "A"), at(101, 800, "B")}),
              WindowResolution::ambiguous({0, 1}))
        << "no near candidate has the title: all of them are ambiguous, not none";
    EXPECT_EQ(WindowMatch::resolve(expected, "Notes",
                                   {at(100, 800, "Notes"), at(100, 800, "Notes"), at(400, 800)}),
              WindowResolution::ambiguous({0, 1}));
    WindowCandidate noFrame{std::nullopt, "Notes"};
    EXPECT_EQ(WindowMatch::resolve(expected, "Notes", {noFrame}), WindowResolution::none());
}

TEST(WindowMatch, ASingleGeometricMatchWithAnotherTitleIsContradicted) {
    EXPECT_EQ(WindowMatch::resolve(expected, "Notes", {at(100, 800, "")}),
              WindowResolution::unique(0));
    EXPECT_EQ(WindowMatch::resolve(expected, "", {at(100, 800, "Anything")}),
              WindowResolution::unique(0));
    EXPECT_EQ(
        WindowMatch::resolve(expected, "Notes", {at(500, 800, "Notes"), at(100, 800, "notes")}),
        WindowResolution::contradicted(1, "notes"))
        << "titles compare case-sensitively";
}

TEST(WindowMatch, TitlesDifferingOnlyInNormalisationAreTheSameTitle) {
    const std::string composed = "Caf\xC3\xA9";    // é as one scalar
    const std::string decomposed = "Cafe\xCC\x81"; // e and a combining acute
    EXPECT_EQ(WindowMatch::resolve(expected, composed, {at(100, 800, decomposed)}),
              WindowResolution::unique(0))
        << "one window, its title spelled the other way, is not contradicted";
    EXPECT_EQ(
        WindowMatch::resolve(expected, composed, {at(100, 800, "Other"), at(100, 800, decomposed)}),
        WindowResolution::unique(1))
        << "the equivalent spelling breaks the tie";
    EXPECT_EQ(WindowMatch::resolve(expected, composed,
                                   {at(100, 800, composed), at(100, 800, decomposed)}),
              WindowResolution::ambiguous({0, 1}))
        << "two windows with the same title are not told apart by its spelling";
    EXPECT_EQ(at(100, 800, composed), at(100, 800, decomposed));
    EXPECT_FALSE(at(100, 800, composed) == at(100, 800, "Cafe"));
}

TEST(WindowMatch, NonNumberDistancesAreNotNear) {
    WindowCandidate broken{Rect{{std::nan(""), 100}, {800, 600}}, ""};
    EXPECT_EQ(WindowMatch::resolve(expected, "", {broken}), WindowResolution::none());
}

TEST(WindowMatch, StillMatchesLimitsEachDifferenceOnItsOwn) {
    EXPECT_TRUE(WindowMatch::stillMatches(expected, Rect{{102, 102}, {800, 600}}, 2));
    EXPECT_FALSE(WindowMatch::stillMatches(expected, Rect{{103, 100}, {800, 600}}, 2));
    EXPECT_FALSE(WindowMatch::stillMatches(expected, Rect{{100, 100}, {800, 602.5}}, 2));
    EXPECT_TRUE(WindowMatch::resolve(expected, "", {at(103, 800)}).kind ==
                WindowResolution::Kind::unique)
        << "the same move is within the resolution tolerance";
}

} // namespace
} // namespace orvel
