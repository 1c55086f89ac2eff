// Admission, the immediate operations and the worker's answers, on a simulated desktop.
#include "platform/posix/PosixProcessInfo.hpp"
#include "support/EngineHarness.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>

namespace orvel::testing {
namespace {

TEST(EngineDispatch, PingIsAnsweredAndRepeatedFromItsReceipt) {
    EngineHarness harness;
    auto first = harness.request({{"id", "a"}, {"op", "ping"}});
    EXPECT_EQ(first, (Json{{"id", "a"}, {"ok", true}, {"result", {{"pong", true}}}}));
    EXPECT_EQ(harness.out().lines().front(), R"({"id":"a","ok":true,"result":{"pong":true}})");

    harness.acceptLine(R"({"op":"ping","id":"a"})");
    auto lines = harness.out().lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], lines[0]);

    harness.acceptLine(R"({"op":"ping","id":"a","extra":1})");
    auto conflict = harness.out().waitFor([](const Json& line) { return line.contains("error"); });
    ASSERT_TRUE(conflict);
    EXPECT_EQ((*conflict)["id"], "a");
    EXPECT_EQ(errorOf(*conflict)["code"], "request_conflict");
    EXPECT_EQ(errorOf(*conflict)["message"],
              "Forespørsels-id-en er brukt til en annen forespørsel. Bruk en ny id.");
}

TEST(EngineDispatch, ARetryThatSpellsANumberDifferentlyIsTheSameRequest) {
    EngineHarness harness;
    harness.acceptLine(R"({"id":"c","op":"cancel","target":"t","n":3})");
    harness.acceptLine(R"({"id":"c","op":"cancel","n":3.0,"target":"t"})");
    harness.acceptLine(R"({"id":"c","op":"cancel","target":"t","n":3e0})");
    harness.acceptLine(R"({"id":"c","op":"cancel","target":"t","n":3.5})");
    auto lines = harness.out().lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], lines[0]);
    EXPECT_EQ(lines[2], lines[0]);
    EXPECT_EQ(errorOf(Json::parse(lines[3]))["code"], "request_conflict");
}

TEST(EngineDispatch, LinesThatAreNotRequestObjectsAreRefusedWithAnEmptyId) {
    EngineHarness harness;
    for (std::string line : {"[1,2]", "\"ping\"", "not json", "{\"id\":\"x\",", "null", "42"}) {
        EXPECT_TRUE(harness.acceptLine(line));
    }
    auto lines = harness.out().jsonLines();
    ASSERT_EQ(lines.size(), 6u);
    for (const auto& line : lines) {
        EXPECT_EQ(line["id"], "");
        EXPECT_EQ(line["ok"], false);
        EXPECT_EQ(line["error"], (Json{{"code", "invalid_request"},
                                       {"message", "Forespørselen er ikke gyldig JSON."}}));
    }
}

TEST(EngineDispatch, AnythingAfterTheRequestObjectMakesTheLineInvalid) {
    EngineHarness harness;
    const std::string ping = R"({"id":"n","op":"ping"})";
    using namespace std::string_literals;
    for (const std::string& line : {ping + "\0 garbage"s, ping + "\0"s, ping + "\r\0"s, ping + " x",
                                    ping + "{}", ping + ping}) {
        EXPECT_TRUE(harness.acceptLine(line));
    }
    auto lines = harness.out().jsonLines();
    ASSERT_EQ(lines.size(), 6u);
    for (const auto& line : lines) {
        EXPECT_EQ(line, (Json{{"id", ""},
                              {"ok", false},
                              {"error",
                               {{"code", "invalid_request"},
                                {"message", "Forespørselen er ikke gyldig JSON."}}}}));
    }
    EXPECT_EQ(harness.engine().ledger().inFlightCount(), 0);
}

TEST(EngineDispatch, WhiteSpaceAroundTheRequestObjectIsFine) {
    EngineHarness harness;
    harness.acceptLine(std::string(R"({"id":"cr","op":"ping"})") + "\r");
    harness.acceptLine(std::string(" \t") + R"({"id":"spaced","op":"ping"})" + " \t\r");
    for (const char* id : {"cr", "spaced"}) {
        auto answer = harness.out().waitForId(id);
        ASSERT_TRUE(answer) << id;
        EXPECT_EQ((*answer)["ok"], true);
    }
}

TEST(EngineDispatch, RequestsWithoutAValidIdAreRefused) {
    EngineHarness harness;
    harness.acceptLine(R"({"op":"ping"})");
    harness.acceptLine(R"({"op":"ping","id":""})");
    harness.acceptLine(R"({"op":"ping","id":7})");
    harness.acceptLine(Json{{"op", "ping"}, {"id", std::string(201, 'x')}}.dump());
    auto lines = harness.out().jsonLines();
    ASSERT_EQ(lines.size(), 4u);
    for (const auto& line : lines) {
        EXPECT_EQ(line["id"], "");
        EXPECT_EQ(errorOf(line)["message"], "Forespørselen mangler en gyldig id.");
    }
    auto accepted = harness.request({{"op", "ping"}, {"id", std::string(200, 'x')}});
    EXPECT_EQ(accepted["ok"], true);
}

TEST(EngineDispatch, UnknownAndMissingOperationsAreNamedInTheFailure) {
    EngineHarness harness;
    auto missing = harness.request({{"id", "m"}});
    EXPECT_EQ(errorOf(missing),
              (Json{{"code", "invalid_request"}, {"message", "Ukjent operasjon: ."}}));

    std::string longName(50, 'o');
    auto unknown = harness.request({{"id", "u"}, {"op", longName}});
    EXPECT_EQ(errorOf(unknown)["message"], "Ukjent operasjon: " + std::string(40, 'o') + "….");

    auto notString = harness.request({{"id", "n"}, {"op", 12}});
    EXPECT_EQ(errorOf(notString)["message"], "Ukjent operasjon: .");
}

TEST(EngineDispatch, HealthReportsEveryKeyAndCountsItself) {
    EngineHarness harness;
    auto health = harness.request({{"id", "h"}, {"op", "health"}})["result"];
    for (const char* key : {"version", "pid", "parentPid", "stopped", "epoch", "queued",
                            "observation", "heldInput", "permissions"}) {
        EXPECT_TRUE(health.contains(key)) << key;
    }
    EXPECT_EQ(health.size(), 9u);
    EXPECT_EQ(health["version"], "1.1.0");
    EXPECT_EQ(health["queued"], 1);
    EXPECT_EQ(health["stopped"], false);
    EXPECT_EQ(health["epoch"], 0);
    EXPECT_TRUE(health["observation"].is_null());
    EXPECT_EQ(health["heldInput"], (Json{{"keys", Json::array()}, {"buttons", Json::array()}}));
    EXPECT_EQ(health["parentPid"], harness.engine().parentPid());
}

TEST(EngineDispatch, StopWritesOneEventBeforeItsAnswerAndResumeRaisesTheEpoch) {
    EngineHarness harness;
    auto stop = harness.request({{"id", "s1"}, {"op", "stop"}});
    auto lines = harness.out().jsonLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], (Json{{"event", "stopped"},
                              {"reason", "requested"},
                              {"heldInput", {{"keys", Json::array()}, {"buttons", Json::array()}}},
                              {"mutationsRunning", 0}}));
    EXPECT_EQ(stop["result"],
              (Json{{"stopped", true},
                    {"heldInput", {{"keys", Json::array()}, {"buttons", Json::array()}}},
                    {"epoch", 1},
                    {"mutationsRunning", 0}}));

    auto again = harness.request({{"id", "s2"}, {"op", "stop"}});
    EXPECT_EQ(again["result"]["epoch"], 2);
    EXPECT_EQ(harness.out().lines().size(), 3u) << "a second stop writes no event";

    auto halted = harness.request({{"id", "w1"}, {"op", "apps.list"}});
    EXPECT_EQ(errorOf(halted), (Json{{"code", "stopped"}, {"message", "Styringen er stoppet."}}));

    auto resume = harness.request({{"id", "r"}, {"op", "resume"}});
    EXPECT_EQ(resume["result"], (Json{{"stopped", false}, {"epoch", 3}, {"observation", nullptr}}));
    auto health = harness.request({{"id", "h"}, {"op", "health"}});
    EXPECT_EQ(health["result"]["stopped"], false);
}

TEST(EngineDispatch, CancelAnswersWhetherItFoundTheTarget) {
    EngineHarness harness;
    auto unknown = harness.request({{"id", "c1"}, {"op", "cancel"}, {"target", "nothing"}});
    EXPECT_EQ(unknown["result"], (Json{{"cancelled", false}, {"target", "nothing"}}));
    auto noTarget = harness.request({{"id", "c2"}, {"op", "cancel"}});
    EXPECT_EQ(noTarget["result"], (Json{{"cancelled", false}, {"target", ""}}));
}

TEST(EngineDispatch, ReleaseLetsGoOfHeldInputWithoutHalting) {
    EngineHarness harness;
    auto& ledger = harness.engine().input().ledger();
    ASSERT_TRUE(ledger.press(
        HeldInput::key(36), std::nullopt, [] { return true; }, [] {}));
    auto release = harness.request({{"id", "rel"}, {"op", "release"}});
    EXPECT_EQ(release["result"],
              (Json{{"heldInput", {{"keys", Json::array()}, {"buttons", Json::array()}}}}));
    EXPECT_FALSE(harness.engine().ledger().isHalted());
    EXPECT_FALSE(ledger.isStopped());
    auto log = harness.desktop().eventLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back()["kind"], "keyUp");
    EXPECT_EQ(log.back()["keyCode"], 36);
}

// The simulated desktop's process service, made to fail on demand: `health` reads the
// program's own pid through it on the reader thread.
class FaultyProcessInfo : public platform::ProcessInfo {
  public:
    enum class Fault { none, failure, error, other };
    void fail(Fault fault) { fault_.store(fault); }

    std::int32_t ownPid() override {
        switch (fault_.load()) {
        case Fault::failure:
            throw Failure("platform_unavailable", "Systemet svarer ikke.", Json{{"step", "pid"}});
        case Fault::error:
            throw std::runtime_error("the pid could not be read");
        case Fault::other:
            throw 42;
        case Fault::none:
            break;
        }
        return inner_.ownPid();
    }
    std::int32_t parentPid() override { return inner_.parentPid(); }
    bool probe(std::int32_t pid) override { return inner_.probe(pid); }

  private:
    platform::PosixProcessInfo inner_;
    std::atomic<Fault> fault_{Fault::none};
};

TEST(EngineDispatch, AFastOperationThatThrowsIsAnsweredAndTheReaderGoesOn) {
    FaultyProcessInfo process;
    HarnessOptions options;
    options.process = &process;
    EngineHarness harness(minimalScenario(), options);

    process.fail(FaultyProcessInfo::Fault::failure);
    auto failure = harness.request({{"id", "h1"}, {"op", "health"}});
    EXPECT_EQ(failure, (Json{{"id", "h1"},
                             {"ok", false},
                             {"error",
                              {{"code", "platform_unavailable"},
                               {"message", "Systemet svarer ikke."},
                               {"details", {{"step", "pid"}}}}}}));

    process.fail(FaultyProcessInfo::Fault::error);
    auto error = harness.request({{"id", "h2"}, {"op", "health"}});
    EXPECT_EQ(errorOf(error), (Json{{"code", "uncertain"},
                                    {"message", "Uventet feil: the pid could not be read"}}));
    process.fail(FaultyProcessInfo::Fault::other);
    auto other = harness.request({{"id", "h3"}, {"op", "health"}});
    EXPECT_EQ(errorOf(other)["code"], "uncertain");

    process.fail(FaultyProcessInfo::Fault::none);
    EXPECT_EQ(harness.request({{"id", "p"}, {"op", "ping"}})["ok"], true);
    EXPECT_EQ(harness.engine().ledger().inFlightCount(), 0) << "every request was finished";
    auto again = harness.request({{"id", "h2"}, {"op", "health"}});
    EXPECT_EQ(again, error) << "the failure is the request's receipt";
}

TEST(EngineDispatch, ShutdownAnswersAndStopsReading) {
    EngineHarness harness;
    EXPECT_FALSE(harness.acceptLine(R"({"id":"bye","op":"shutdown"})"));
    auto lines = harness.out().jsonLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]["event"], "stopped");
    EXPECT_EQ(lines[1], (Json{{"id", "bye"}, {"ok", true}, {"result", {{"stopped", true}}}}));
}

TEST(EngineDispatch, DeeplyNestedRequestsAreAnsweredWithoutExhaustingTheStack) {
    EngineHarness harness;
    const std::size_t depth = 400000;
    std::string nested = std::string(depth, '[') + std::string(depth, ']');
    harness.acceptLine(
        R"({"id":"deep-act","op":"act","observationId":"x","action":{"type":"ax.press","extra":)" +
        nested + "}}");
    harness.acceptLine(R"({"id":"deep-op","op":"ping","payload":)" + nested + "}");
    auto act = harness.out().waitForId("deep-act");
    ASSERT_TRUE(act);
    EXPECT_EQ((*act)["error"]["code"], "stale_observation");
    auto ping = harness.out().waitForId("deep-op");
    ASSERT_TRUE(ping);
    EXPECT_EQ((*ping)["ok"], true);
}

TEST(EngineDispatch, ObservationIdentifiersCountUpWithRandomTails) {
    EngineHarness harness;
    auto first = harness.engine().nextObservationId();
    auto second = harness.engine().nextObservationId();
    EXPECT_EQ(first.rfind("obs-1-", 0), 0u);
    EXPECT_EQ(second.rfind("obs-2-", 0), 0u);
    auto tail = std::stoull(first.substr(6));
    EXPECT_LE(tail, 4294967294ULL);
}

} // namespace
} // namespace orvel::testing
