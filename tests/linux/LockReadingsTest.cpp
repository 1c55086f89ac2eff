// The login-session dictionary synthesised from the two lock sources, read by the engine's own
// lock policy: unknown unless a source answers, locked when either says so, and the declared
// absence of a lock that still obeys a locker that answers.
#include "platform/linux/session/LockReadings.hpp"

#include "OrvelControlCore/LockState.hpp"

#include <gtest/gtest.h>

namespace orvel::linuxdesktop {
namespace {

using platform::LockSource;

LockState stateOf(const LockReadings& readings, LockSource source) {
    return LockPolicy::interpret(sessionDictionary(readings, source), std::nullopt);
}

LockReadings readings(SourceState session, SourceState screensaver,
                      std::optional<bool> active = std::nullopt) {
    return LockReadings{session, active, screensaver};
}

TEST(LockReadings, EitherSourceAloneDecides) {
    constexpr auto from = LockSource::sessionAndScreensaver;
    EXPECT_EQ(stateOf(readings(SourceState::unlocked, SourceState::absent), from),
              LockState::unlocked());
    EXPECT_EQ(stateOf(readings(SourceState::absent, SourceState::unlocked), from),
              LockState::unlocked());
    EXPECT_EQ(stateOf(readings(SourceState::locked, SourceState::absent), from),
              LockState::locked("screen_locked"));
    EXPECT_EQ(stateOf(readings(SourceState::absent, SourceState::locked), from),
              LockState::locked("screen_locked"));
}

TEST(LockReadings, EitherSourceSayingLockedWins) {
    constexpr auto from = LockSource::sessionAndScreensaver;
    EXPECT_EQ(stateOf(readings(SourceState::unlocked, SourceState::locked), from),
              LockState::locked("screen_locked"));
    EXPECT_EQ(stateOf(readings(SourceState::locked, SourceState::unlocked), from),
              LockState::locked("screen_locked"));
}

TEST(LockReadings, NoSourceOrAFailedOneIsUnknown) {
    constexpr auto from = LockSource::sessionAndScreensaver;
    EXPECT_FALSE(sessionDictionary(readings(SourceState::absent, SourceState::absent), from));
    EXPECT_FALSE(sessionDictionary(readings(SourceState::failed, SourceState::unlocked), from));
    EXPECT_FALSE(sessionDictionary(readings(SourceState::unlocked, SourceState::failed), from))
        << "a screensaver that does not answer may be the one locking";
    EXPECT_EQ(stateOf(readings(SourceState::absent, SourceState::absent), from),
              LockState::unknown("session_unavailable"));
}

TEST(LockReadings, ASessionThatIsNotInFrontIsNotOnTheConsole) {
    EXPECT_EQ(stateOf(readings(SourceState::unlocked, SourceState::absent, false),
                      LockSource::sessionAndScreensaver),
              LockState::locked("session_not_on_console"));
    EXPECT_EQ(stateOf(readings(SourceState::unlocked, SourceState::absent, true),
                      LockSource::sessionAndScreensaver),
              LockState::unlocked());
}

TEST(LockReadings, ADeclaredAbsentLockIsUnlockedUnlessALockerSaysOtherwise) {
    constexpr auto declared = LockSource::declaredAbsent;
    EXPECT_EQ(stateOf(readings(SourceState::absent, SourceState::absent), declared),
              LockState::unlocked());
    EXPECT_EQ(stateOf(readings(SourceState::failed, SourceState::failed), declared),
              LockState::unlocked());
    EXPECT_EQ(stateOf(readings(SourceState::absent, SourceState::locked), declared),
              LockState::locked("screen_locked"));
}

TEST(LockReadings, TheDictionaryHoldsBooleansUnderTheKeysThePolicyReads) {
    auto dictionary = sessionDictionary(readings(SourceState::locked, SourceState::unlocked),
                                        LockSource::sessionAndScreensaver);
    ASSERT_TRUE(dictionary.has_value());
    EXPECT_EQ(*dictionary, (Json{{"kCGSSessionOnConsoleKey", true},
                                 {"kCGSessionLoginDoneKey", true},
                                 {"CGSSessionScreenIsLocked", true}}));
}

} // namespace
} // namespace orvel::linuxdesktop
