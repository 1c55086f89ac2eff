// Telling the program's events from the user's, and the listener status payload.
#include "OrvelControlCore/Collision.hpp"

#include <gtest/gtest.h>

#include <set>

namespace orvel {
namespace {

TEST(CollisionPolicy, ClassifiesBySignatureThenByAutomation) {
    CollisionPolicy policy{42};
    EXPECT_EQ(policy.classify(42, true), CollisionVerdict::own);
    EXPECT_EQ(policy.classify(42, false), CollisionVerdict::own);
    EXPECT_EQ(policy.classify(0, false), CollisionVerdict::userIdle);
    EXPECT_EQ(policy.classify(0, true), CollisionVerdict::userTakeover);
    EXPECT_EQ(policy.classify(-42, true), CollisionVerdict::userTakeover);
}

TEST(CollisionPolicy, RandomSignaturesArePositiveAndVary) {
    std::set<std::int64_t> seen;
    for (int i = 0; i < 64; ++i) {
        auto signature = CollisionPolicy::random().signature;
        EXPECT_GT(signature, 0);
        seen.insert(signature);
    }
    EXPECT_GT(seen.size(), 60u);
}

TEST(ListenerStatus, PayloadWritesAbsentValuesAsNull) {
    EXPECT_EQ(ListenerStatus().payload(), (Json{{"active", false},
                                                {"reason", "not_started"},
                                                {"lastUserInputAt", nullptr},
                                                {"takeovers", 0}}));
    ListenerStatus running = ListenerStatus::running();
    running.lastUserInputAt = 1765000000.25;
    running.takeovers = 2;
    EXPECT_EQ(running.payload(), (Json{{"active", true},
                                       {"reason", nullptr},
                                       {"lastUserInputAt", 1765000000.25},
                                       {"takeovers", 2}}));
}

} // namespace
} // namespace orvel
