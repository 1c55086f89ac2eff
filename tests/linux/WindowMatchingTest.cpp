// Telling an accessible window and an X window apart or alike by frame and title.
#include "platform/linux/atspi/WindowMatching.hpp"

#include <gtest/gtest.h>

namespace orvel::linuxdesktop {
namespace {

Rect rect(double x, double y, double width, double height) {
    return Rect{{x, y}, {width, height}};
}

TEST(WindowMatching, TheOneWindowWithThatFrameMatchesWhateverItsTitle) {
    const std::vector<WindowCandidate> windows{{rect(100, 80, 482, 385), "Skjema"},
                                               {rect(151, 200, 103, 83), ""}};
    EXPECT_EQ(matchingWindow(windows, rect(151, 200, 103, 83), "orvel-test-app"), 1U)
        << "a pop-up's X title is the program's name, its accessible name empty";
    EXPECT_EQ(matchingWindow(windows, rect(101, 81, 481, 386), "Skjema"), 0U)
        << "a pixel of rounding on an edge";
}

TEST(WindowMatching, AFrameThatDiffersByMoreThanRoundingDoesNotMatch) {
    const std::vector<WindowCandidate> windows{{rect(100, 80, 482, 385), "Skjema"}};
    EXPECT_EQ(matchingWindow(windows, rect(104, 80, 482, 385), "Skjema"), std::nullopt);
    EXPECT_EQ(matchingWindow(windows, rect(100, 80, 482, 380), "Skjema"), std::nullopt);
    EXPECT_EQ(matchingWindow({}, rect(100, 80, 482, 385), "Skjema"), std::nullopt);
}

TEST(WindowMatching, TheTitleDecidesBetweenWindowsOfOneFrame) {
    const std::vector<WindowCandidate> windows{{rect(0, 0, 800, 600), "Dokument 1"},
                                               {rect(0, 0, 800, 600), "Dokument 2"}};
    EXPECT_EQ(matchingWindow(windows, rect(0, 0, 800, 600), "Dokument 2"), 1U);
}

TEST(WindowMatching, WindowsThatCannotBeToldApartMatchNothing) {
    const std::vector<WindowCandidate> twins{{rect(0, 0, 800, 600), "Dokument"},
                                             {rect(0, 0, 800, 600), "Dokument"}};
    EXPECT_EQ(matchingWindow(twins, rect(0, 0, 800, 600), "Dokument"), std::nullopt);
    EXPECT_EQ(matchingWindow(twins, rect(0, 0, 800, 600), "Annet"), std::nullopt)
        << "neither title agrees: no guess";
}

TEST(WindowMatching, FramesWithNegativeSizesAreComparedByTheirEdges) {
    const std::vector<WindowCandidate> windows{{rect(300, 200, -200, -100), "Snudd"}};
    EXPECT_EQ(matchingWindow(windows, rect(100, 100, 200, 100), "Snudd"), 0U);
}

} // namespace
} // namespace orvel::linuxdesktop
