// Every ending of the process completes promptly whether or not anyone reads standard output:
// the stopped event goes out when it can, is noted as dropped when it cannot, and no line is
// left half written behind the ending's back.
#include "platform/ProcessControl.hpp"
#include "platform/posix/PosixProcessInfo.hpp"
#include "support/EngineHarness.hpp"
#include "support/TestPipe.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <string>
#include <thread>

namespace orvel::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string droppedStopped =
    "orvel-computer-control: dropped the stopped event: standard output did not take it in time";

// Whether the captured standard error holds `line`.
bool noted(const EngineHarness& harness, const std::string& line) {
    for (const auto& each : harness.err().lines()) {
        if (each == line) {
            return true;
        }
    }
    return false;
}

// Every line of `text` is whole JSON, and the text ends with a line feed.
void expectWholeLines(const std::string& text) {
    std::size_t start = 0;
    for (auto end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        EXPECT_FALSE(Json::parse(text.substr(start, end - start), nullptr, false).is_discarded());
        start = end + 1;
    }
    EXPECT_EQ(start, text.size()) << "the output ends in half a line";
}

// The program's own process, with a parent that is gone once `vanish` was called.
class VanishingParent : public platform::ProcessInfo {
  public:
    void vanish() { gone_ = true; }
    std::int32_t ownPid() override { return inner_.ownPid(); }
    std::int32_t parentPid() override { return inner_.parentPid(); }
    bool probe(std::int32_t pid) override { return !gone_ && inner_.probe(pid); }

  private:
    platform::PosixProcessInfo inner_;
    std::atomic<bool> gone_{false};
};

class EngineEnding : public ::testing::Test {
  protected:
    EngineEnding() { std::signal(SIGPIPE, SIG_IGN); }

    HarnessOptions unreadOutput() {
        HarnessOptions options;
        options.out = platform::process::descriptorOutput(pipe.writeEnd());
        return options;
    }

    TestPipe pipe;
};

TEST_F(EngineEnding, EndOfInputEndsPromptlyWhileNobodyReads) {
    EngineHarness harness(minimalScenario(), unreadOutput());
    pipe.fill();
    const auto started = Clock::now();
    harness.engine().runReader([](char*, std::size_t) -> std::size_t { return 0; });
    EXPECT_LT(Clock::now() - started, 1500ms);
    EXPECT_EQ(harness.exitCalls(), 1);
    EXPECT_TRUE(noted(harness, droppedStopped));
    EXPECT_TRUE(harness.engine().ledger().isHalted());
    expectWholeLines(pipe.readAll(50ms));
}

TEST_F(EngineEnding, ShutdownEndsPromptlyWhileNobodyReads) {
    EngineHarness harness(minimalScenario(), unreadOutput());
    pipe.fill();
    const auto started = Clock::now();
    EXPECT_FALSE(harness.acceptLine(R"({"id":"bye","op":"shutdown"})"));
    EXPECT_LT(Clock::now() - started, 1500ms);
    EXPECT_TRUE(noted(harness, droppedStopped));
    expectWholeLines(pipe.readAll(50ms));
}

TEST_F(EngineEnding, AVanishedParentEndsPromptlyWhileNobodyReads) {
    VanishingParent process;
    auto options = unreadOutput();
    options.process = &process;
    options.watchdogInterval = 20ms;
    EngineHarness harness(minimalScenario(), options);
    pipe.fill();
    harness.engine().startWatchdog();
    const auto vanished = Clock::now();
    process.vanish();
    while (harness.exitCalls() == 0 && Clock::now() - vanished < 3s) {
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(harness.exitCalls(), 1);
    EXPECT_LT(Clock::now() - vanished, 1500ms);
    EXPECT_TRUE(noted(harness, droppedStopped));
    expectWholeLines(pipe.readAll(50ms));
}

TEST_F(EngineEnding, ASignalEndsPromptlyWhenAResponseInProgressHasStalled) {
    EngineHarness harness(minimalScenario(), unreadOutput());
    pipe.fill();
    // Room for the first piece of the screenshot's answer, which then stalls half written.
    std::string text = pipe.read(1s, 8192);
    harness.acceptLine(R"({"id":"o","op":"observe","pid":501,"windowId":101,"screenshot":true})");
    // The receipt is booked just before the answer is written.
    const auto observing = Clock::now();
    while (harness.engine().ledger().inFlightCount() > 0 && Clock::now() - observing < 10s) {
        std::this_thread::sleep_for(5ms);
    }
    std::this_thread::sleep_for(200ms);

    const auto signalled = Clock::now();
    harness.engine().handleTerminationSignal();
    EXPECT_LT(Clock::now() - signalled, 1500ms);
    EXPECT_EQ(harness.exitCalls(), 1);
    EXPECT_TRUE(noted(harness, droppedStopped));
    EXPECT_TRUE(noted(harness, "orvel-computer-control: left a line unfinished at the end: "
                               "standard output stopped taking it"));

    // The answer was never cut off by the program: once its reader comes back, it is whole.
    text += pipe.readAll(300ms);
    expectWholeLines(text);
    EXPECT_NE(text.find(R"("id":"o")"), std::string::npos);
}

TEST_F(EngineEnding, TheStoppedEventStillGoesOutWhenStandardOutputTakesIt) {
    EngineHarness harness(minimalScenario(), unreadOutput());
    harness.engine().handleTerminationSignal();
    auto text = pipe.readAll(50ms);
    expectWholeLines(text);
    EXPECT_EQ(Json::parse(text)["reason"], "signal");
    EXPECT_TRUE(harness.err().lines().empty());
}

} // namespace
} // namespace orvel::testing
