// The pool of spare keycodes: one per distinct character, never taken back while down or before
// it has settled, given back once idle.
#include "platform/linux/input/KeycodePool.hpp"

#include <gtest/gtest.h>

namespace orvel::linuxdesktop {
namespace {

using namespace std::chrono_literals;
using Clock = KeycodePool::Clock;
using Lease = KeycodePool::Lease;

const Clock::time_point start{};

Lease leased(KeycodePool& pool, Keysym keysym, Clock::time_point at) {
    auto lease = pool.lease(keysym, at);
    EXPECT_TRUE(lease && std::holds_alternative<Lease>(*lease));
    return lease && std::holds_alternative<Lease>(*lease) ? std::get<Lease>(*lease) : Lease{};
}

TEST(KeycodePool, ACharacterKeepsItsKeycodeWhileLent) {
    KeycodePool pool({93, 97}, 300ms);
    const auto first = leased(pool, 0xf8, start);
    EXPECT_TRUE(first.remap);
    pool.pressed(first.keycode, start);
    pool.released(first.keycode, start + 1ms);
    const auto again = leased(pool, 0xf8, start + 2ms);
    EXPECT_EQ(again.keycode, first.keycode);
    EXPECT_FALSE(again.remap);
    const auto other = leased(pool, 0xe6, start + 3ms);
    EXPECT_NE(other.keycode, first.keycode);
    EXPECT_TRUE(other.remap);
}

TEST(KeycodePool, AFullPoolWaitsForTheLongestIdleKeycodeToSettle) {
    KeycodePool pool({93}, 300ms);
    const auto first = leased(pool, 0xf8, start);
    pool.pressed(first.keycode, start);
    pool.released(first.keycode, start + 10ms);
    auto waiting = pool.lease(0xe6, start + 20ms);
    ASSERT_TRUE(waiting && std::holds_alternative<Clock::time_point>(*waiting));
    EXPECT_EQ(std::get<Clock::time_point>(*waiting), start + 310ms);
    const auto reused = leased(pool, 0xe6, start + 310ms);
    EXPECT_EQ(reused.keycode, 93U);
    EXPECT_TRUE(reused.remap);
}

TEST(KeycodePool, AKeycodeThatIsDownIsNeverTakenBack) {
    KeycodePool pool({93}, 300ms);
    const auto first = leased(pool, 0xf8, start);
    pool.pressed(first.keycode, start);
    EXPECT_FALSE(pool.lease(0xe6, start + 10s)) << "the only keycode is down";
    EXPECT_TRUE(pool.takeBack(start + 10s, std::nullopt).empty());
    EXPECT_FALSE(pool.nextIdle(1s));
    pool.released(first.keycode, start + 10s);
    EXPECT_EQ(pool.nextIdle(1s), start + 11s);
}

TEST(KeycodePool, IdleKeycodesGoBackAndCanBeLentAgain) {
    KeycodePool pool({93, 97}, 300ms);
    const auto a = leased(pool, 0xf8, start);
    pool.released(a.keycode, start);
    const auto b = leased(pool, 0xe6, start + 500ms);
    pool.released(b.keycode, start + 500ms);
    EXPECT_EQ(pool.takeBack(start + 1s, 1s), std::vector<unsigned int>{a.keycode});
    EXPECT_EQ(pool.lent(), std::vector<unsigned int>{b.keycode});
    EXPECT_EQ(pool.lastUse(), start + 500ms);
    EXPECT_EQ(pool.takeBack(start + 1s, std::nullopt), std::vector<unsigned int>{b.keycode});
    EXPECT_TRUE(pool.lent().empty());
    EXPECT_FALSE(pool.lastUse());
    EXPECT_TRUE(leased(pool, 0xe5, start + 2s).remap);
}

TEST(KeycodePool, WithoutSpareKeycodesNothingCanBeLent) {
    KeycodePool pool({}, 300ms);
    EXPECT_FALSE(pool.lease(0xf8, start));
}

} // namespace
} // namespace orvel::linuxdesktop
