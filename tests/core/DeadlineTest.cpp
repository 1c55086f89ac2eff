// Deadlines: inclusive expiry, cancellation before time, shared probe and clock.
#include "OrvelControlCore/Deadline.hpp"

#include "OrvelControlCore/Failure.hpp"
#include "OrvelControlCore/RequestLedger.hpp"
#include "support/ManualClock.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <limits>

namespace orvel {
namespace {

using testing::ManualClock;

std::optional<Failure> failureOf(const Deadline& deadline) {
    try {
        deadline.check();
    } catch (const Failure& failure) {
        return failure;
    }
    return std::nullopt;
}

const Failure timeoutFailure("timeout", "Arbeidet mot appen tok for lang tid og ble avbrutt.");
const Failure cancelledFailure("cancelled", "Forespørselen ble avbrutt.");

TEST(Deadline, ExpiresInclusivelyAtItsBound) {
    ManualClock clock;
    const Deadline deadline(
        8.0, [] { return true; }, clock.function());
    EXPECT_DOUBLE_EQ(deadline.remaining(), 8.0);
    EXPECT_EQ(deadline.expires(), clock.now() + std::chrono::seconds(8));
    clock.advance(7.9);
    EXPECT_FALSE(failureOf(deadline));
    clock.advance(0.1);
    EXPECT_EQ(failureOf(deadline), timeoutFailure);
    clock.advance(5);
    EXPECT_EQ(failureOf(deadline), timeoutFailure);
    EXPECT_LT(deadline.remaining(), 0);
}

TEST(Deadline, ACancelledRequestIsReportedBeforeTimeWithoutReadingTheClock) {
    ManualClock clock;
    std::atomic<int> clockReads{0};
    const Deadline deadline(
        8.0, [] { return false; },
        [&] {
            ++clockReads;
            return clock.now();
        });
    const int readsAtCreation = clockReads.load();
    EXPECT_EQ(failureOf(deadline), cancelledFailure);
    EXPECT_EQ(clockReads.load(), readsAtCreation);
    clock.advance(100);
    EXPECT_EQ(failureOf(deadline), cancelledFailure);
}

TEST(Deadline, ZeroAndInvalidDurationsExpireAtOnce) {
    ManualClock clock;
    for (const double seconds : {0.0, -3.0, std::numeric_limits<double>::quiet_NaN()}) {
        const Deadline deadline(
            seconds, [] { return true; }, clock.function());
        EXPECT_EQ(failureOf(deadline), timeoutFailure) << seconds;
    }
    const Deadline endless(
        std::numeric_limits<double>::infinity(), [] { return true; }, clock.function());
    EXPECT_FALSE(failureOf(endless));
    EXPECT_GT(endless.remaining(), 1e9);
}

TEST(Deadline, CopiesShareTheProbeAndTheClock) {
    ManualClock clock;
    std::atomic<bool> live{true};
    const Deadline original(
        2.0, [&] { return live.load(); }, clock.function());
    const Deadline copy = original;
    EXPECT_EQ(copy.expires(), original.expires());
    live = false;
    EXPECT_EQ(failureOf(copy), cancelledFailure);
    live = true;
    clock.advance(2);
    EXPECT_EQ(failureOf(copy), timeoutFailure);
}

TEST(Deadline, ATicketProbeTurnsCancelledOnCancelHaltOrResume) {
    ManualClock clock;
    RequestLedger ledger(16, 64, 8);
    const auto deadlineFor = [&](const Ticket& ticket) {
        return Deadline(
            8.0, [&ledger, ticket] { return ledger.isLive(ticket); }, clock.function());
    };
    const Ticket cancelled = ledger.admit("c", false, "f").ticket;
    const Ticket halted = ledger.admit("h", false, "f").ticket;
    const Deadline cancelledDeadline = deadlineFor(cancelled);
    const Deadline haltedDeadline = deadlineFor(halted);
    EXPECT_FALSE(failureOf(cancelledDeadline));
    ledger.cancel("c");
    EXPECT_EQ(failureOf(cancelledDeadline), cancelledFailure);
    EXPECT_FALSE(failureOf(haltedDeadline));
    ledger.halt();
    EXPECT_EQ(failureOf(haltedDeadline), cancelledFailure);
    ledger.resume();
    EXPECT_EQ(failureOf(haltedDeadline), cancelledFailure);
    EXPECT_FALSE(failureOf(deadlineFor(ledger.admit("new", false, "f").ticket)));
}

} // namespace
} // namespace orvel
