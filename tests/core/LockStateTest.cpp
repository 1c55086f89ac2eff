// Reading the screen lock from the session dictionary and the notifications.
#include "OrvelControlCore/LockState.hpp"

#include <gtest/gtest.h>

namespace orvel {
namespace {

Json unlockedSession() {
    return Json{{"kCGSSessionOnConsoleKey", true}, {"kCGSessionLoginDoneKey", true}};
}

LockState read(const Json& session, std::optional<bool> notified = std::nullopt) {
    return LockPolicy::interpret(session, notified);
}

TEST(LockPolicy, FlagsAreBooleansOrNumbersThatAreExactlyZeroOrOne) {
    Json values[] = {true, false, 0, 1, 1.0, 2, 0.5, -1, "1", nullptr, Json::array()};
    std::optional<bool> expected[] = {true, false, false, true, true, {}, {}, {}, {}, {}, {}};
    for (std::size_t i = 0; i < std::size(values); ++i) {
        EXPECT_EQ(LockPolicy::flag(&values[i]), expected[i]) << values[i].dump();
    }
    EXPECT_EQ(LockPolicy::flag(nullptr), std::nullopt);
}

TEST(LockPolicy, AnOrdinarySessionIsUnlockedUntilALockNotification) {
    EXPECT_EQ(read(unlockedSession()), LockState::unlocked());
    EXPECT_EQ(read(unlockedSession(), true), LockState::locked("screen_locked_notification"));
    EXPECT_EQ(read(unlockedSession(), false), LockState::unlocked());
}

TEST(LockPolicy, TheScreenLockedValueMustBeAFlag) {
    Json session = unlockedSession();
    session["CGSSessionScreenIsLocked"] = 1;
    EXPECT_EQ(read(session), LockState::locked("screen_locked"));
    session["CGSSessionScreenIsLocked"] = 2;
    EXPECT_EQ(read(session), LockState::unknown("screen_lock_state_malformed"));
    session["CGSSessionScreenIsLocked"] = "1";
    EXPECT_EQ(read(session), LockState::unknown("screen_lock_state_malformed"));
    session["CGSSessionScreenIsLocked"] = false;
    EXPECT_EQ(read(session), LockState::unlocked());
    EXPECT_EQ(read(session, true), LockState::locked("screen_locked_notification"));
}

TEST(LockPolicy, TheAlternativeKeysCountOnlyWhenTheFirstIsAbsent) {
    EXPECT_EQ(read(Json{{"kCGSessionOnConsoleKey", true}, {"kCGSessionLoginDoneKey", true}}),
              LockState::unlocked());
    EXPECT_EQ(read(Json{{"kCGSSessionOnConsoleKey", true}, {"kCGSSessionLoginDoneKey", true}}),
              LockState::unlocked());
    EXPECT_EQ(read(Json{{"kCGSSessionOnConsoleKey", "yes"}, {"kCGSessionOnConsoleKey", true}}),
              LockState::unknown("console_state_malformed"));
    EXPECT_EQ(read(Json{{"kCGSSessionOnConsoleKey", true},
                        {"kCGSessionLoginDoneKey", 0.5},
                        {"kCGSSessionLoginDoneKey", true}}),
              LockState::unknown("login_state_malformed"));
}

TEST(LockPolicy, EveryStepHasItsReason) {
    EXPECT_EQ(LockPolicy::interpret(std::nullopt, std::nullopt),
              LockState::unknown("session_unavailable"));
    EXPECT_EQ(LockPolicy::interpret(Json::array(), false),
              LockState::unknown("session_unavailable"));
    EXPECT_EQ(read(Json::object()), LockState::unknown("console_state_unreadable"));
    EXPECT_EQ(read(Json{{"kCGSSessionOnConsoleKey", 0}}),
              LockState::locked("session_not_on_console"));
    EXPECT_EQ(read(Json{{"kCGSSessionOnConsoleKey", true}}),
              LockState::unknown("login_state_unreadable"));
    EXPECT_EQ(read(Json{{"kCGSSessionOnConsoleKey", true}, {"kCGSessionLoginDoneKey", false}}),
              LockState::locked("login_not_done"));
}

TEST(LockState, LabelsReasonsAndPermission) {
    EXPECT_EQ(LockState::unlocked().label(), "unlocked");
    EXPECT_EQ(LockState::unlocked().reason(), std::nullopt);
    EXPECT_TRUE(LockState::unlocked().permitsAction());
    EXPECT_EQ(LockState::locked("screen_locked").label(), "locked");
    EXPECT_EQ(LockState::unknown("x").label(), "unknown");
    EXPECT_EQ(LockState::unknown("x").reason(), "x");
    EXPECT_FALSE(LockState::unknown("x").permitsAction());
    EXPECT_FALSE(LockState::locked("x").permitsAction());
}

} // namespace
} // namespace orvel
