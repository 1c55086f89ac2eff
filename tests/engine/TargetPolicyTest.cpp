// The applications that are never controlled.
#include "TargetPolicy.hpp"

#include <gtest/gtest.h>

namespace orvel {
namespace {

const std::string outOfReach = "Denne appen er utenfor rekkevidde for Mac-styring: ";
const std::string ownSurface = "Orvel Rire kan ikke styre sin egen kontrollflate.";

TEST(TargetPolicy, DeniesListedBundlesExactlyAndNamesByFragment) {
    TargetPolicy policy("no.orvel.code", {10, 11});
    EXPECT_EQ(TargetPolicy::deniedBundles().size(), 19u);
    EXPECT_EQ(policy.denial("com.apple.Terminal", "Terminal", 500),
              outOfReach + "com.apple.Terminal.");
    EXPECT_EQ(policy.denial("com.apple.terminal", "Shell", 500), std::nullopt)
        << "bundles compare case-sensitively";
    EXPECT_EQ(policy.denial("com.apple.terminal", "Terminal", 500), outOfReach + "Terminal.");
    EXPECT_EQ(policy.denial("com.example.tool", "My Terminal Helper", 500),
              outOfReach + "My Terminal Helper.");
    EXPECT_EQ(policy.denial("com.example.saver", "Fancy SCREEN Saver", 500),
              outOfReach + "Fancy SCREEN Saver.");
    EXPECT_EQ(policy.denial("com.apple.Notes", "Notes", 500), std::nullopt);
    EXPECT_EQ(policy.denial(std::nullopt, "Calculator", 500), std::nullopt);
    EXPECT_EQ(policy.denial("com.example.x", "Orvel Code", 500), outOfReach + "Orvel Code.");
}

TEST(TargetPolicy, TheOwnerComesFirst) {
    TargetPolicy policy("no.orvel.code", {10, 11});
    EXPECT_EQ(policy.denial("com.apple.Terminal", "Terminal", 11), ownSurface);
    EXPECT_EQ(policy.denial("com.example.any", "Any", 10), ownSurface);
    EXPECT_EQ(policy.denial("no.orvel.code", "Orvel", 500), ownSurface);

    TargetPolicy emptyOwner("", {10});
    EXPECT_EQ(emptyOwner.denial(std::nullopt, "Calculator", 500), ownSurface)
        << "an empty owner bundle refuses every app without a bundle";
    EXPECT_EQ(emptyOwner.denial("com.example.calc", "Calculator", 500), std::nullopt);
}

} // namespace
} // namespace orvel
