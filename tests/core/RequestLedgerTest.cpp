// Admission, receipts, cancellation, halting and epochs, canonical id booking and concurrent
// admission.
#include "OrvelControlCore/RequestLedger.hpp"

#include "OrvelControlCore/Failure.hpp"
#include "OrvelControlCore/Limits.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace orvel {
namespace {

using Kind = Admission::Kind;

// Built by appending: GCC 12 warns falsely about "literal" + std::to_string(...).
std::string numbered(std::string prefix, int number) {
    prefix += std::to_string(number);
    return prefix;
}

Admission verdictOf(Kind kind, Ticket ticket = Ticket(), Json response = Json()) {
    Admission admission;
    admission.kind = kind;
    admission.ticket = std::move(ticket);
    admission.response = std::move(response);
    return admission;
}

RequestLedger standardLedger() {
    return RequestLedger(Limits::queue, Limits::receipts, 8);
}

Ticket admitted(RequestLedger& ledger, const std::string& id, bool control = false,
                const std::string& fingerprint = "f") {
    const Admission admission = ledger.admit(id, control, fingerprint);
    EXPECT_EQ(admission.kind, Kind::run) << "id " << id;
    return admission.ticket;
}

void expectThrows(const RequestLedger& ledger, const Ticket& ticket, const std::string& code,
                  const std::string& message) {
    try {
        ledger.check(ticket);
        ADD_FAILURE() << "check passed for " << code;
    } catch (const Failure& failure) {
        EXPECT_EQ(failure, Failure(code, message));
    }
}

TEST(RequestLedger, IdsAreCountedInCharactersNotBytes) {
    RequestLedger ledger = standardLedger();
    EXPECT_EQ(ledger.admit("", false, "f").kind, Kind::invalidId);
    EXPECT_EQ(ledger.admit(std::string(201, 'a'), false, "f").kind, Kind::invalidId);
    EXPECT_EQ(ledger.admit(std::string(200, 'a'), false, "f").kind, Kind::run);
    std::string wide;
    for (int index = 0; index < 200; ++index) {
        wide += "e\xCC\x81"; // three bytes, one character
    }
    EXPECT_EQ(ledger.admit(wide, false, "f").kind, Kind::run);
    EXPECT_EQ(ledger.admit(wide + "x", false, "f").kind, Kind::invalidId);
    EXPECT_EQ(ledger.inFlightCount(), 2);
}

TEST(RequestLedger, RepeatsAreDuplicatesAndReusedIdsConflict) {
    RequestLedger ledger = standardLedger();
    const Admission first = ledger.admit("a", false, "one");
    EXPECT_EQ(first, verdictOf(Kind::run, Ticket{"a", 0}));
    EXPECT_EQ(ledger.admit("a", false, "one").kind, Kind::duplicate);
    EXPECT_EQ(ledger.admit("a", false, "two").kind, Kind::conflict);
    EXPECT_EQ(ledger.admit("a", true, "one").kind, Kind::duplicate);
    EXPECT_EQ(ledger.inFlightCount(), 1);
}

TEST(RequestLedger, FinishedIdsReplayTheirReceiptAndNeverRunAgain) {
    RequestLedger ledger = standardLedger();
    admitted(ledger, "a", false, "one");
    const Json response{{"id", "a"}, {"ok", true}, {"result", {{"pong", true}}}};
    ledger.finish("a", response, false);
    const Admission replay = ledger.admit("a", false, "one");
    EXPECT_EQ(replay.kind, Kind::receipt);
    EXPECT_EQ(replay.response, response);
    EXPECT_EQ(ledger.admit("a", false, "two").kind, Kind::conflict);
    EXPECT_EQ(ledger.inFlightCount(), 0);

    admitted(ledger, "stop-1", true, "stop");
    ledger.finish("stop-1", Json{{"stopped", true}}, true);
    EXPECT_EQ(ledger.admit("stop-1", true, "stop").kind, Kind::receipt);
}

TEST(RequestLedger, AdmissionsCompareByTicketForRunsAndByKindOtherwise) {
    EXPECT_EQ(verdictOf(Kind::receipt, {}, Json{{"a", 1}}),
              verdictOf(Kind::receipt, {}, Json{{"b", 2}}));
    EXPECT_NE(verdictOf(Kind::run, Ticket{"a", 0}), verdictOf(Kind::run, Ticket{"a", 1}));
    EXPECT_NE(verdictOf(Kind::run, Ticket{"a", 0}), verdictOf(Kind::run, Ticket{"b", 0}));
    EXPECT_NE(verdictOf(Kind::busy), verdictOf(Kind::conflict));
    EXPECT_EQ(verdictOf(Kind::busy, Ticket{"x", 3}), verdictOf(Kind::busy));
}

TEST(RequestLedger, QueueAndControlLimitsAreSeparate) {
    RequestLedger ledger = standardLedger();
    for (int index = 0; index < 16; ++index) {
        admitted(ledger, numbered("work-", index));
    }
    EXPECT_EQ(ledger.admit("work-16", false, "f").kind, Kind::busy);
    for (int index = 0; index < 8; ++index) {
        admitted(ledger, numbered("control-", index), true);
    }
    EXPECT_EQ(ledger.admit("control-8", true, "f").kind, Kind::busy);
    EXPECT_EQ(ledger.admit("work-16", false, "f").kind, Kind::busy);
    EXPECT_EQ(ledger.inFlightCount(), 24);

    ledger.finish("control-0", Json::object(), true);
    EXPECT_EQ(ledger.admit("control-8", true, "f").kind, Kind::run);
    EXPECT_EQ(ledger.admit("work-16", false, "f").kind, Kind::busy);
    ledger.finish("work-0", Json::object(), false);
    EXPECT_EQ(ledger.admit("work-16", false, "f").kind, Kind::run);
    EXPECT_EQ(ledger.queueLimit(), 16);
    EXPECT_EQ(ledger.receiptLimit(), 64);
    EXPECT_EQ(ledger.controlLimit(), 8);
}

TEST(RequestLedger, FinishingAnUnknownControlIdNeverDrivesTheCountNegative) {
    RequestLedger ledger(1, 64, 1);
    ledger.finish("never-admitted", Json::object(), true);
    admitted(ledger, "c1", true);
    EXPECT_EQ(ledger.admit("c2", true, "f").kind, Kind::busy);
}

TEST(RequestLedger, TheOldestReceiptIsEvictedAfterSixtyFiveFinish) {
    RequestLedger ledger = standardLedger();
    for (int index = 0; index < 65; ++index) {
        const std::string id = numbered("r", index);
        admitted(ledger, id);
        ledger.finish(id, Json{{"n", index}}, false);
    }
    EXPECT_EQ(ledger.admit("r0", false, "f").kind, Kind::run);
    for (int index = 1; index < 65; ++index) {
        const Admission replay = ledger.admit(numbered("r", index), false, "f");
        ASSERT_EQ(replay.kind, Kind::receipt) << index;
        EXPECT_EQ(replay.response, (Json{{"n", index}}));
    }
}

TEST(RequestLedger, FinishingAnIdAgainKeepsItsPlaceInTheReceiptOrder) {
    RequestLedger ledger(16, 2, 8);
    for (const char* id : {"a", "b"}) {
        admitted(ledger, id);
        ledger.finish(id, Json::object(), false);
    }
    ledger.finish("a", Json{{"again", true}}, false);
    admitted(ledger, "c");
    ledger.finish("c", Json::object(), false);
    EXPECT_EQ(ledger.admit("a", false, "f").kind, Kind::run);
    EXPECT_EQ(ledger.admit("b", false, "f").kind, Kind::receipt);
}

TEST(RequestLedger, CancelMarksOnlyInFlightIds) {
    RequestLedger ledger = standardLedger();
    const Ticket ticket = admitted(ledger, "a");
    const Ticket other = admitted(ledger, "b");
    EXPECT_TRUE(ledger.cancel("a"));
    EXPECT_EQ(ledger.state(ticket), TicketState::cancelled);
    EXPECT_FALSE(ledger.isLive(ticket));
    EXPECT_TRUE(ledger.isLive(other));
    expectThrows(ledger, ticket, "cancelled", "Forespørselen ble avbrutt.");
    ledger.finish("a", Json::object(), false);
    EXPECT_FALSE(ledger.cancel("a"));
    EXPECT_FALSE(ledger.cancel("never"));
    EXPECT_NO_THROW(ledger.check(other));
}

TEST(RequestLedger, HaltStopsEveryTicketAndResumeLeavesOldOnesCancelled) {
    RequestLedger ledger = standardLedger();
    EXPECT_EQ(ledger.epoch(), 0u);
    const Ticket before = admitted(ledger, "before");
    EXPECT_FALSE(ledger.halt());
    EXPECT_EQ(ledger.epoch(), 1u);
    EXPECT_TRUE(ledger.isHalted());
    const Ticket during = admitted(ledger, "during");
    EXPECT_EQ(during.epoch, 1u);
    EXPECT_EQ(ledger.state(before), TicketState::stopped);
    EXPECT_EQ(ledger.state(during), TicketState::stopped);
    expectThrows(ledger, during, "stopped", "Styringen er stoppet.");
    EXPECT_TRUE(ledger.halt());
    EXPECT_EQ(ledger.epoch(), 2u);

    ledger.resume();
    EXPECT_EQ(ledger.epoch(), 3u);
    EXPECT_FALSE(ledger.isHalted());
    EXPECT_EQ(ledger.state(before), TicketState::cancelled);
    EXPECT_EQ(ledger.state(during), TicketState::cancelled);
    const Ticket after = admitted(ledger, "after");
    EXPECT_EQ(ledger.state(after), TicketState::live);
}

TEST(RequestLedger, HaltThenResumeRaisesTheEpochByTwo) {
    RequestLedger ledger = standardLedger();
    ledger.halt();
    EXPECT_EQ(ledger.epoch(), 1u);
    ledger.resume();
    EXPECT_EQ(ledger.epoch(), 2u);
}

TEST(RequestLedger, HaltCancelsInFlightIdsEvenAfterAResumeAtTheSameEpoch) {
    RequestLedger ledger = standardLedger();
    ledger.halt();
    ledger.resume();
    const Ticket ticket = admitted(ledger, "x");
    ledger.halt();
    ledger.resume();
    EXPECT_EQ(ledger.state(Ticket{"x", ledger.epoch()}), TicketState::cancelled);
    EXPECT_EQ(ledger.state(ticket), TicketState::cancelled);
}

TEST(RequestLedger, CanonicallyEquivalentIdsAreOneId) {
    RequestLedger ledger = standardLedger();
    const std::string precomposed = "caf\xC3\xA9";
    const std::string decomposed = "cafe\xCC\x81";
    const Ticket ticket = admitted(ledger, precomposed, false, "one");
    EXPECT_EQ(ticket.id, precomposed);
    EXPECT_EQ(ledger.admit(decomposed, false, "one").kind, Kind::duplicate);
    EXPECT_EQ(ledger.admit(decomposed, false, "two").kind, Kind::conflict);
    EXPECT_TRUE(ledger.cancel(decomposed));
    EXPECT_EQ(ledger.state(ticket), TicketState::cancelled);
    EXPECT_EQ(ledger.state(Ticket{decomposed, ticket.epoch}), TicketState::cancelled);
    ledger.finish(decomposed, Json{{"done", true}}, false);
    EXPECT_EQ(ledger.inFlightCount(), 0);
    const Admission replay = ledger.admit(precomposed, false, "one");
    EXPECT_EQ(replay.kind, Kind::receipt);
    EXPECT_EQ(replay.response, (Json{{"done", true}}));
}

TEST(RequestLedger, ConcurrentAdmissionOfTheSameIdsRunsEachOnce) {
    constexpr int threads = 8;
    constexpr int ids = 300;
    RequestLedger ledger(threads * ids, Limits::receipts, threads * ids);
    std::vector<std::vector<int>> runs(threads, std::vector<int>(ids, 0));
    std::vector<std::thread> workers;
    for (int thread = 0; thread < threads; ++thread) {
        workers.emplace_back([&, thread] {
            for (int step = 0; step < ids; ++step) {
                // Each thread walks the ids from a different starting point.
                const int index = (step + thread * 37) % ids;
                const Admission admission =
                    ledger.admit(numbered("id-", index), index % 2 == 0, "f");
                if (admission.kind == Kind::run) {
                    ++runs[thread][index];
                } else {
                    EXPECT_EQ(admission.kind, Kind::duplicate);
                }
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    for (int index = 0; index < ids; ++index) {
        int total = 0;
        for (int thread = 0; thread < threads; ++thread) {
            total += runs[thread][index];
        }
        EXPECT_EQ(total, 1) << "id-" << index;
    }
    EXPECT_EQ(ledger.inFlightCount(), ids);
}

TEST(RequestLedger, ConcurrentAdmissionNeverPassesALimitNorRunsAnIdTwiceAtOnce) {
    constexpr int threads = 8;
    constexpr int requestsPerThread = 600;
    RequestLedger ledger(Limits::queue, Limits::receipts, 8);
    std::mutex runningLock;
    std::set<std::string> runningIds; // guarded by runningLock
    int runningOrdinary = 0;          // guarded by runningLock
    int runningControl = 0;           // guarded by runningLock
    int mostOrdinary = 0;             // guarded by runningLock
    int mostControl = 0;              // guarded by runningLock
    std::atomic<int> doubleRuns{0};
    std::atomic<int> busyVerdicts{0};
    std::vector<std::thread> workers;
    for (int thread = 0; thread < threads; ++thread) {
        workers.emplace_back([&, thread] {
            for (int index = 0; index < requestsPerThread; ++index) {
                const bool shared = index % 2 == 0;
                const std::string id = shared ? numbered("shared-", index % 10)
                                              : numbered(numbered("t", thread) + "-", index);
                const bool control = index % 3 == 0;
                const Admission admission = ledger.admit(id, control, "f");
                if (admission.kind == Kind::busy) {
                    ++busyVerdicts;
                }
                if (admission.kind != Kind::run) {
                    continue;
                }
                {
                    std::lock_guard guard(runningLock);
                    if (!runningIds.insert(id).second) {
                        ++doubleRuns;
                    }
                    int& running = control ? runningControl : runningOrdinary;
                    int& most = control ? mostControl : mostOrdinary;
                    most = std::max(most, ++running);
                }
                std::this_thread::yield();
                {
                    std::lock_guard guard(runningLock);
                    runningIds.erase(id);
                    --(control ? runningControl : runningOrdinary);
                }
                ledger.finish(id, Json::object(), control);
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(doubleRuns.load(), 0);
    EXPECT_LE(mostOrdinary, Limits::queue);
    EXPECT_LE(mostControl, 8);
    EXPECT_GT(mostOrdinary, 0);
    EXPECT_EQ(ledger.inFlightCount(), 0);
    // With every slot released, both kinds are admitted again.
    EXPECT_EQ(ledger.admit("fresh-ordinary", false, "f").kind, Kind::run);
    EXPECT_EQ(ledger.admit("fresh-control", true, "f").kind, Kind::run);
}

} // namespace
} // namespace orvel
