// The window dictionary of one X window and its layer: ordinary windows at layer 0, what
// floats above them higher, the desktop far below; owner and on-screen keys only when known.
#include "platform/linux/x11/WindowFacts.hpp"

#include <gtest/gtest.h>

namespace orvel::linuxdesktop {
namespace {

WindowFacts window(WindowKind kind = WindowKind::normal) {
    WindowFacts facts;
    facts.windowId = 0x600003;
    facts.pid = 4242;
    facts.frame = Rect{{200, 150}, {642, 545}};
    facts.title = "Orvel testvindu";
    facts.kind = kind;
    facts.viewable = true;
    return facts;
}

TEST(WindowFacts, AnOrdinaryWindowIsADictionaryOfLayerZero) {
    EXPECT_EQ(windowDictionary(window()),
              (Json{{"kCGWindowOwnerPID", 4242},
                    {"kCGWindowNumber", 0x600003},
                    {"kCGWindowBounds", {{"X", 200}, {"Y", 150}, {"Width", 642}, {"Height", 545}}},
                    {"kCGWindowName", "Orvel testvindu"},
                    {"kCGWindowLayer", 0},
                    {"kCGWindowIsOnscreen", true}}));
    EXPECT_TRUE(windowDictionary(window())["kCGWindowBounds"]["X"].is_number_integer());
}

TEST(WindowFacts, LeavesOutTheOwnerWhenUnknownAndTheOnScreenKeyWhenOffScreen) {
    auto facts = window();
    facts.pid = 0;
    facts.viewable = false;
    const auto dictionary = windowDictionary(facts);
    EXPECT_FALSE(dictionary.contains("kCGWindowOwnerPID"));
    EXPECT_FALSE(dictionary.contains("kCGWindowIsOnscreen"));
}

TEST(WindowFacts, LayersFollowWhatFloatsAboveOrdinaryWindows) {
    EXPECT_EQ(windowLayer(window(WindowKind::normal)), 0);
    EXPECT_EQ(windowLayer(window(WindowKind::utility)), 3);
    EXPECT_EQ(windowLayer(window(WindowKind::dock)), 20);
    EXPECT_EQ(windowLayer(window(WindowKind::notification)), 25);
    EXPECT_EQ(windowLayer(window(WindowKind::menu)), 101);
    EXPECT_EQ(windowLayer(window(WindowKind::tooltip)), 102);
    EXPECT_LT(windowLayer(window(WindowKind::desktop)), -1000000);
    auto above = window();
    above.above = true;
    EXPECT_EQ(windowLayer(above), 3) << "an always-on-top window is no ordinary one";
    auto below = window();
    below.below = true;
    EXPECT_LT(windowLayer(below), 0);
}

} // namespace
} // namespace orvel::linuxdesktop
