// The book of held input: booking and posting, releases in press order, stopping, stale input,
// mutations, and stop() racing presses and mutations.
#include "OrvelControlCore/InputLedger.hpp"

#include "OrvelControlCore/Failure.hpp"
#include "support/ManualClock.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace orvel {
namespace {

using testing::ManualClock;

struct Released {
    HeldInput input;
    std::optional<Point> at;
    bool operator==(const Released&) const = default;
};

// A ledger on a manual clock that records every release it posts.
class Fixture {
  public:
    Fixture()
        : ledger(
              [this](HeldInput input, std::optional<Point> at) {
                  std::lock_guard guard(releasesLock);
                  if (failingReleases > 0) {
                      --failingReleases;
                      return false;
                  }
                  releases.push_back({input, at});
                  return true;
              },
              clock.function()) {}

    std::vector<Released> released() {
        std::lock_guard guard(releasesLock);
        return releases;
    }

    // The next this many releases cannot be posted.
    void failNextReleases(int count) {
        std::lock_guard guard(releasesLock);
        failingReleases = count;
    }

    ManualClock clock;
    InputLedger ledger;
    int posts = 0;
    const InputLedger::Live live = [] {
        return true;
    };
    const InputLedger::Live dead = [] {
        return false;
    };
    const InputLedger::Post post = [this] {
        ++posts;
    };

  private:
    std::mutex releasesLock;
    std::vector<Released> releases; // guarded by releasesLock
    int failingReleases = 0;        // guarded by releasesLock
};

const HeldInput returnKey = HeldInput::key(36);
const HeldInput leftButton = HeldInput::button(0);

TEST(InputLedger, KeysAndButtonsWithTheSameNumberAreDifferentInputs) {
    EXPECT_NE(HeldInput::key(0), HeldInput::button(0));
    EXPECT_NE(std::hash<HeldInput>{}(HeldInput::key(0)),
              std::hash<HeldInput>{}(HeldInput::button(0)));
    Fixture fixture;
    EXPECT_TRUE(fixture.ledger.press(HeldInput::key(0), std::nullopt, fixture.live, fixture.post));
    EXPECT_FALSE(fixture.ledger.lift(HeldInput::button(0), std::nullopt, fixture.post));
    EXPECT_TRUE(fixture.ledger.lift(HeldInput::key(0), std::nullopt, fixture.post));
}

TEST(InputLedger, PressBooksAndPostsOnlyWhenRunningAndLive) {
    Fixture fixture;
    EXPECT_FALSE(fixture.ledger.press(returnKey, Point{1, 2}, fixture.dead, fixture.post));
    EXPECT_EQ(fixture.posts, 0);
    EXPECT_FALSE(fixture.ledger.isHoldingAnything());

    fixture.ledger.stop();
    EXPECT_FALSE(fixture.ledger.press(returnKey, Point{1, 2}, fixture.live, fixture.post));
    EXPECT_EQ(fixture.posts, 0);
    EXPECT_FALSE(fixture.ledger.isHoldingAnything());

    fixture.ledger.resume();
    EXPECT_TRUE(fixture.ledger.press(returnKey, Point{1, 2}, fixture.live, fixture.post));
    EXPECT_EQ(fixture.posts, 1);
    EXPECT_EQ(fixture.ledger.snapshot(), (Json{{"keys", {36}}, {"buttons", Json::array()}}));
}

TEST(InputLedger, LiftOfAnInputNotHeldPostsNothingAndKeepsThePointer) {
    Fixture fixture;
    fixture.ledger.press(leftButton, Point{5, 5}, fixture.live, fixture.post);
    EXPECT_FALSE(fixture.ledger.lift(returnKey, Point{99, 99}, fixture.post));
    EXPECT_EQ(fixture.posts, 1);
    fixture.ledger.releaseAll();
    EXPECT_EQ(fixture.released(), (std::vector<Released>{{leftButton, Point{5, 5}}}));
}

TEST(InputLedger, LiftIsAllowedWhileStoppedButNotAfterTheStopReleasedTheInput) {
    Fixture fixture;
    fixture.ledger.press(returnKey, std::nullopt, fixture.live, fixture.post);
    fixture.ledger.press(leftButton, std::nullopt, fixture.live, fixture.post);
    fixture.ledger.stop();
    EXPECT_FALSE(fixture.ledger.lift(returnKey, std::nullopt, fixture.post));
    EXPECT_EQ(fixture.posts, 2);
    EXPECT_EQ(fixture.released().size(), 2u);
    fixture.ledger.resume();
    fixture.ledger.press(returnKey, std::nullopt, fixture.live, fixture.post);
    fixture.ledger.stop();
    fixture.ledger.resume();
    EXPECT_TRUE(fixture.ledger.press(leftButton, std::nullopt, fixture.live, fixture.post));
    fixture.ledger.stop();
    fixture.ledger.stop();
    EXPECT_EQ(fixture.released().size(), 4u);
}

TEST(InputLedger, PressingTwiceKeepsOneEntryWithTheLaterTime) {
    Fixture fixture;
    fixture.ledger.press(returnKey, std::nullopt, fixture.live, fixture.post);
    fixture.clock.advance(5);
    fixture.ledger.press(returnKey, std::nullopt, fixture.live, fixture.post);
    fixture.clock.advance(2);
    EXPECT_TRUE(fixture.ledger.releaseStale(6).empty());
    EXPECT_EQ(fixture.ledger.releaseAll(), std::vector<HeldInput>{returnKey});
    EXPECT_EQ(fixture.released().size(), 1u);
}

TEST(InputLedger, MoveNeedsItsHeldInputAndALiveRunningLedger) {
    Fixture fixture;
    EXPECT_FALSE(fixture.ledger.move({1, 1}, leftButton, fixture.live, fixture.post));
    fixture.ledger.press(leftButton, Point{0, 0}, fixture.live, fixture.post);
    EXPECT_TRUE(fixture.ledger.move({3, 4}, leftButton, fixture.live, fixture.post));
    EXPECT_FALSE(fixture.ledger.move({5, 6}, leftButton, fixture.dead, fixture.post));
    EXPECT_EQ(fixture.posts, 2);
    fixture.ledger.stop();
    EXPECT_EQ(fixture.released(), (std::vector<Released>{{leftButton, Point{3, 4}}}));
    fixture.ledger.resume();
    EXPECT_FALSE(fixture.ledger.move({7, 8}, leftButton, fixture.live, fixture.post));
    EXPECT_EQ(fixture.posts, 2);
}

TEST(InputLedger, TransientEventsMoveThePointerWithoutHoldingAnything) {
    Fixture fixture;
    EXPECT_TRUE(fixture.ledger.emitTransient(Point{9, 9}, fixture.live, fixture.post));
    EXPECT_FALSE(fixture.ledger.isHoldingAnything());
    EXPECT_FALSE(fixture.ledger.emitTransient(Point{1, 1}, fixture.dead, fixture.post));
    fixture.ledger.press(returnKey, std::nullopt, fixture.live, fixture.post);
    fixture.ledger.releaseAll();
    EXPECT_EQ(fixture.released(), (std::vector<Released>{{returnKey, Point{9, 9}}}));
    fixture.ledger.stop();
    EXPECT_FALSE(fixture.ledger.emitTransient(std::nullopt, fixture.live, fixture.post));
    EXPECT_EQ(fixture.posts, 2);
}

TEST(InputLedger, ReleasesFollowPressOrderWithoutAPointerWhenNoneWasBooked) {
    Fixture fixture;
    fixture.ledger.press(HeldInput::button(2), std::nullopt, fixture.live, fixture.post);
    fixture.clock.advance(1);
    fixture.ledger.press(returnKey, std::nullopt, fixture.live, fixture.post);
    fixture.clock.advance(1);
    fixture.ledger.press(HeldInput::key(0), std::nullopt, fixture.live, fixture.post);
    const auto released = fixture.ledger.releaseAll();
    EXPECT_EQ(released.size(), 3u);
    EXPECT_EQ(fixture.released(), (std::vector<Released>{{HeldInput::button(2), std::nullopt},
                                                         {returnKey, std::nullopt},
                                                         {HeldInput::key(0), std::nullopt}}));
    EXPECT_FALSE(fixture.ledger.isStopped());
}

TEST(InputLedger, StaleInputIsWhatWasPressedStrictlyLongerAgo) {
    Fixture fixture;
    fixture.ledger.press(returnKey, std::nullopt, fixture.live, fixture.post);
    fixture.clock.advance(0.2);
    fixture.ledger.press(leftButton, std::nullopt, fixture.live, fixture.post);
    fixture.clock.advance(5.9);
    EXPECT_EQ(fixture.ledger.releaseStale(6), std::vector<HeldInput>{returnKey});
    EXPECT_EQ(fixture.ledger.snapshot(), (Json{{"keys", Json::array()}, {"buttons", {0}}}));
    fixture.clock.advance(0.1);
    EXPECT_TRUE(fixture.ledger.releaseStale(6).empty());
    fixture.clock.advance(0.001);
    EXPECT_EQ(fixture.ledger.releaseStale(6), std::vector<HeldInput>{leftButton});
}

TEST(InputLedger, AReleaseThatCannotBePostedStaysBookedUntilALaterOneIs) {
    Fixture fixture;
    fixture.ledger.press(leftButton, Point{3, 4}, fixture.live, fixture.post);
    fixture.clock.advance(1);
    fixture.ledger.press(returnKey, std::nullopt, fixture.live, fixture.post);

    // The halt's releases fail: nothing is lost from the book, and it says so.
    fixture.failNextReleases(2);
    fixture.ledger.stop();
    EXPECT_TRUE(fixture.ledger.isHoldingAnything());
    EXPECT_EQ(fixture.ledger.snapshot(), (Json{{"keys", {36}}, {"buttons", {0}}}));
    EXPECT_TRUE(fixture.released().empty());

    // The next watchdog tick retries them although they are far from stale; one fails again.
    fixture.failNextReleases(1);
    EXPECT_EQ(fixture.ledger.releaseStale(6), std::vector<HeldInput>{returnKey});
    EXPECT_EQ(fixture.ledger.snapshot(), (Json{{"keys", Json::array()}, {"buttons", {0}}}));
    EXPECT_EQ(fixture.ledger.releaseStale(6), std::vector<HeldInput>{leftButton});
    EXPECT_FALSE(fixture.ledger.isHoldingAnything());
    EXPECT_EQ(fixture.released(),
              (std::vector<Released>{{returnKey, Point{3, 4}}, {leftButton, Point{3, 4}}}));
    EXPECT_TRUE(fixture.ledger.releaseStale(6).empty()) << "nothing is released twice";

    // A release request retries too, and reports only what it let go of.
    fixture.ledger.resume();
    fixture.ledger.press(returnKey, std::nullopt, fixture.live, fixture.post);
    fixture.failNextReleases(1);
    EXPECT_TRUE(fixture.ledger.releaseAll().empty());
    EXPECT_EQ(fixture.ledger.releaseAll(), std::vector<HeldInput>{returnKey});
    EXPECT_FALSE(fixture.ledger.isHoldingAnything());
}

TEST(InputLedger, LetGoReleasesOneInputAndKeepsItBookedWhenThatFails) {
    Fixture fixture;
    EXPECT_TRUE(fixture.ledger.letGo(leftButton, Point{1, 1})) << "nothing held, nothing to do";
    EXPECT_TRUE(fixture.released().empty());

    fixture.ledger.press(leftButton, Point{1, 1}, fixture.live, fixture.post);
    fixture.failNextReleases(1);
    EXPECT_FALSE(fixture.ledger.letGo(leftButton, Point{9, 9}));
    EXPECT_EQ(fixture.ledger.snapshot()["buttons"], Json::array({0}));
    EXPECT_TRUE(fixture.ledger.letGo(leftButton, std::nullopt));
    EXPECT_EQ(fixture.released(), (std::vector<Released>{{leftButton, Point{9, 9}}}));
    EXPECT_FALSE(fixture.ledger.lift(leftButton, std::nullopt, fixture.post));

    // An input lifted normally after a failed release is no longer retried.
    fixture.ledger.press(returnKey, std::nullopt, fixture.live, fixture.post);
    fixture.failNextReleases(1);
    EXPECT_FALSE(fixture.ledger.letGo(returnKey, std::nullopt));
    EXPECT_TRUE(fixture.ledger.lift(returnKey, std::nullopt, fixture.post));
    EXPECT_TRUE(fixture.ledger.releaseStale(6).empty());
    EXPECT_EQ(fixture.released().size(), 1u);
}

TEST(InputLedger, SnapshotListsKeysAndButtonsAscending) {
    Fixture fixture;
    for (const HeldInput input :
         {HeldInput::key(36), HeldInput::button(2), HeldInput::key(0), HeldInput::button(0)}) {
        fixture.ledger.press(input, std::nullopt, fixture.live, fixture.post);
    }
    EXPECT_EQ(fixture.ledger.snapshot(), (Json{{"keys", {0, 36}}, {"buttons", {0, 2}}}));
}

TEST(InputLedger, CheckRunningThrowsTheStoppedFailureOnlyWhileStopped) {
    Fixture fixture;
    EXPECT_NO_THROW(fixture.ledger.checkRunning());
    EXPECT_EQ(fixture.ledger.stop(), 0);
    EXPECT_TRUE(fixture.released().empty());
    EXPECT_TRUE(fixture.ledger.isStopped());
    try {
        fixture.ledger.checkRunning();
        ADD_FAILURE() << "checkRunning passed while stopped";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure,
                  Failure("stopped", "Styringen er stoppet. Start en ny økt for å fortsette."));
    }
    fixture.ledger.resume();
    EXPECT_NO_THROW(fixture.ledger.checkRunning());
}

TEST(InputLedger, MutationsRunUnlessStoppedAndRestoreTheCounterOnThrow) {
    Fixture fixture;
    EXPECT_EQ(fixture.ledger.runMutation(fixture.live,
                                         [&] {
                                             EXPECT_EQ(fixture.ledger.mutationsInFlight(), 1);
                                             EXPECT_FALSE(fixture.ledger.isStopped());
                                             return 7;
                                         }),
              7);
    EXPECT_EQ(fixture.ledger.mutationsInFlight(), 0);
    EXPECT_THROW(
        fixture.ledger.runMutation(fixture.live, []() -> int { throw std::runtime_error("boom"); }),
        std::runtime_error);
    EXPECT_EQ(fixture.ledger.mutationsInFlight(), 0);

    bool ran = false;
    EXPECT_FALSE(fixture.ledger.runMutation(fixture.dead, [&] { return ran = true; }));
    fixture.ledger.stop();
    EXPECT_FALSE(fixture.ledger.runMutation(fixture.live, [&] { return ran = true; }));
    EXPECT_FALSE(ran);
    EXPECT_EQ(fixture.ledger.mutationsInFlight(), 0);
}

TEST(InputLedger, StopDuringAMutationCountsItAndSettleWaitsForIt) {
    Fixture fixture;
    std::promise<void> started;
    std::promise<void> finish;
    std::shared_future<void> finishSignal = finish.get_future().share();
    auto mutation = std::async(std::launch::async, [&] {
        return fixture.ledger.runMutation(fixture.live, [&] {
            started.set_value();
            finishSignal.wait();
            return fixture.ledger.isStopped();
        });
    });
    started.get_future().wait();
    EXPECT_EQ(fixture.ledger.stop(), 1);
    std::atomic<bool> settled{false};
    std::thread settler([&] {
        fixture.ledger.settleMutations();
        settled = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(settled.load());
    finish.set_value();
    settler.join();
    EXPECT_TRUE(settled.load());
    EXPECT_EQ(mutation.get(), true);
    EXPECT_EQ(fixture.ledger.mutationsInFlight(), 0);
}

TEST(InputLedger, AfterStopReturnsNothingIsPostedOrHeld) {
    constexpr int pressers = 4;
    std::atomic<int> releases{0};
    InputLedger ledger([&](HeldInput, std::optional<Point>) {
        ++releases;
        return true;
    });
    std::atomic<bool> stopReturned{false};
    std::atomic<int> postsAfterStop{0};
    std::atomic<int> pressed{0};
    std::atomic<int> lifted{0};
    std::atomic<bool> running{true};
    const InputLedger::Live live = [] {
        return true;
    };
    const InputLedger::Post post = [&] {
        if (stopReturned.load()) {
            ++postsAfterStop;
        }
    };
    std::vector<std::thread> threads;
    for (int thread = 0; thread < pressers; ++thread) {
        threads.emplace_back([&, thread] {
            const HeldInput input = HeldInput::key(static_cast<std::uint16_t>(thread));
            while (running.load()) {
                if (ledger.press(input, Point{1, 1}, live, post)) {
                    ++pressed;
                    std::this_thread::yield();
                    if (ledger.lift(input, std::nullopt, post)) {
                        ++lifted;
                    }
                }
                ledger.emitTransient(std::nullopt, live, post);
                ledger.move({2, 2}, input, live, post);
            }
        });
    }
    // Let the pressers run until several presses went through, within a bounded time.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (pressed.load() < 200 && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::yield();
    }
    ledger.stop();
    stopReturned = true;
    EXPECT_FALSE(ledger.isHoldingAnything());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    running = false;
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_GT(pressed.load(), 0);
    EXPECT_EQ(postsAfterStop.load(), 0);
    EXPECT_FALSE(ledger.isHoldingAnything());
    EXPECT_EQ(pressed.load(), lifted.load() + releases.load());
}

} // namespace
} // namespace orvel
