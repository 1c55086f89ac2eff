// The built program as its client runs it: signals, the end of input, shutdown, the parent
// going away, a closed standard output, an over-long line and a refused scenario; and the
// same endings and arguments for the MCP face.
#include "OrvelControlCore/Json.hpp"
#include "platform/ChildProcess.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace orvel {
namespace {

using namespace std::chrono_literals;
using platform::ChildProcess;

std::unique_ptr<ChildProcess>
startProgram(const std::map<std::string, std::string>& environment = {}) {
    auto child = ChildProcess::start(ORVEL_BINARY_PATH, {}, environment);
    if (!child) {
        ADD_FAILURE() << "could not start " << ORVEL_BINARY_PATH;
    }
    return child;
}

Json nextJson(ChildProcess& child, std::chrono::milliseconds timeout = 5s) {
    auto line = child.readLine(timeout);
    return line ? Json::parse(*line, nullptr, false) : Json();
}

// Waits until the program answers, so that it has finished starting up.
void waitUntilServing(ChildProcess& child) {
    ASSERT_TRUE(child.write("{\"id\":\"ready\",\"op\":\"ping\"}\n"));
    ASSERT_EQ(nextJson(child)["id"], "ready");
}

TEST(Process, TerminationSignalsHaltAndExitZero) {
    for (bool interrupt : {false, true}) {
        auto child = startProgram();
        waitUntilServing(*child);
        interrupt ? child->interrupt() : child->terminate();
        auto event = nextJson(*child);
        EXPECT_EQ(event["event"], "stopped");
        EXPECT_EQ(event["reason"], "signal");
        EXPECT_EQ(child->waitForExit(3s), 0);
    }
}

TEST(Process, EndOfInputHaltsAndExitsPromptly) {
    auto child = startProgram();
    waitUntilServing(*child);
    auto started = std::chrono::steady_clock::now();
    child->closeInput();
    auto event = nextJson(*child);
    EXPECT_EQ(event["event"], "stopped");
    EXPECT_EQ(event["reason"], "eof");
    EXPECT_EQ(child->waitForExit(5s), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3500ms);
}

// Every accessibility message of the hung app takes 1.4 seconds: the observation is in the
// middle of a read when the input ends or the shutdown comes, and its next read ends it.
std::unique_ptr<ChildProcess> startObservingTheHungApp() {
    auto child =
        startProgram({{"ORVEL_SIM_DESKTOP", std::string(ORVEL_SCENARIO_DIR) + "/hung-app.json"}});
    if (child) {
        waitUntilServing(*child);
        EXPECT_TRUE(
            child->write("{\"id\":\"slow\",\"op\":\"observe\",\"pid\":701,\"windowId\":710}\n"));
        std::this_thread::sleep_for(300ms);
    }
    return child;
}

// The lines the program writes until its output ends, by "id" or "event".
std::map<std::string, Json> linesUntilExit(ChildProcess& child) {
    std::map<std::string, Json> lines;
    while (auto line = child.readLine(5s)) {
        Json json = Json::parse(*line, nullptr, false);
        lines[json.contains("event") ? json["event"].get<std::string>() : json.value("id", "")] =
            json;
    }
    return lines;
}

TEST(Process, EndOfInputAnswersTheRunningObservationBeforeExiting) {
    auto child = startObservingTheHungApp();
    ASSERT_TRUE(child);
    auto closed = std::chrono::steady_clock::now();
    child->closeInput();
    auto lines = linesUntilExit(*child);
    EXPECT_EQ(child->waitForExit(6s), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - closed, 2500ms)
        << "the observation ends at its next read, well within the drain";
    EXPECT_EQ(lines["stopped"]["reason"], "eof");
    ASSERT_TRUE(lines.contains("slow")) << "the running observation was never answered";
    EXPECT_EQ(lines["slow"]["ok"], false);
}

TEST(Process, ShutdownAnswersTheRunningObservationBeforeExiting) {
    auto child = startObservingTheHungApp();
    ASSERT_TRUE(child);
    auto asked = std::chrono::steady_clock::now();
    ASSERT_TRUE(child->write("{\"id\":\"bye\",\"op\":\"shutdown\"}\n"));
    auto lines = linesUntilExit(*child);
    EXPECT_EQ(child->waitForExit(6s), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 2500ms);
    EXPECT_EQ(lines["bye"]["ok"], true);
    ASSERT_TRUE(lines.contains("slow")) << "the running observation was never answered";
    EXPECT_EQ(lines["slow"]["ok"], false);
}

TEST(Process, ShutdownStopsReadingAtOnce) {
    auto child = startProgram();
    waitUntilServing(*child);
    ASSERT_TRUE(
        child->write("{\"id\":\"bye\",\"op\":\"shutdown\"}\n{\"id\":\"late\",\"op\":\"ping\"}\n"));
    EXPECT_EQ(nextJson(*child)["event"], "stopped");
    EXPECT_EQ(nextJson(*child)["id"], "bye");
    EXPECT_EQ(child->waitForExit(5s), 0);
    EXPECT_FALSE(child->readLine(100ms)) << "nothing after the shutdown answer";
}

TEST(Process, AnOverlongLineIsRefusedAndTheNextOneAnswered) {
    auto child = startProgram();
    waitUntilServing(*child);
    std::string line(1048577, ' ');
    ASSERT_TRUE(child->write(line + "\n{\"id\":\"next\",\"op\":\"ping\"}\n"));
    auto refused = nextJson(*child);
    EXPECT_EQ(
        refused,
        (Json{{"id", ""},
              {"ok", false},
              {"error", {{"code", "too_large"}, {"message", "Forespørselen var for stor."}}}}));
    EXPECT_EQ(nextJson(*child)["id"], "next");

    std::string exact = "{\"id\":\"exact\",\"op\":\"ping\",\"pad\":\"";
    exact += std::string(1048576 - exact.size() - 2, 'p') + "\"}";
    ASSERT_EQ(exact.size(), 1048576u);
    ASSERT_TRUE(child->write(exact + "\n"));
    EXPECT_EQ(nextJson(*child)["id"], "exact");
}

TEST(Process, AClosedStandardOutputDoesNotEndTheProgram) {
    auto child = startProgram();
    waitUntilServing(*child);
    child->closeOutput();
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(child->write("{\"id\":\"p" + std::to_string(i) + "\",\"op\":\"health\"}\n"));
    }
    child->closeInput();
    EXPECT_EQ(child->waitForExit(5s), 0) << "the program must not die of a broken pipe";
}

// `count` ping requests with the ids prefix0, prefix1, ..., one per line.
std::string pings(const std::string& prefix, int count) {
    std::string lines;
    for (int index = 0; index < count; ++index) {
        lines += R"({"id":")" + prefix + std::to_string(index) + R"(","op":"ping"})" + "\n";
    }
    return lines;
}

// Reads every line the child still writes until its output ends; each must be whole JSON.
std::vector<Json> remainingLines(ChildProcess& child) {
    std::vector<Json> lines;
    while (auto line = child.readLine(2s)) {
        Json parsed = Json::parse(*line, nullptr, false);
        EXPECT_FALSE(parsed.is_discarded()) << "a broken line of " << line->size() << " bytes";
        lines.push_back(std::move(parsed));
    }
    EXPECT_EQ(child.unterminatedOutput(), "") << "the output ends in half a line";
    return lines;
}

TEST(Process, ANonBlockingStandardInputIsWaitedForNotTakenForItsEnd) {
    auto child = ChildProcess::start(ORVEL_BINARY_PATH, {}, {}, {.nonBlockingInput = true});
    ASSERT_TRUE(child);
    waitUntilServing(*child);
    std::this_thread::sleep_for(200ms);
    ASSERT_TRUE(child->write(R"({"id":"later","op":"ping"})"
                             "\n"));
    EXPECT_EQ(nextJson(*child)["id"], "later");
    child->closeInput();
    auto event = nextJson(*child);
    EXPECT_EQ(event["event"], "stopped");
    EXPECT_EQ(event["reason"], "eof");
    EXPECT_EQ(child->waitForExit(5s), 0);
}

TEST(Process, ANonBlockingStandardOutputNeverLosesOrCutsALine) {
    auto child = ChildProcess::start(ORVEL_BINARY_PATH, {}, {}, {.nonBlockingOutput = true});
    ASSERT_TRUE(child);
    waitUntilServing(*child);
    // Screenshots make lines far longer than one atomic pipe write; the pings come on top, so
    // that the pipe is full long before everything is written.
    constexpr int observations = 3;
    constexpr int pingCount = 3000;
    std::string requests;
    for (int index = 0; index < observations; ++index) {
        requests += R"({"id":"o)" + std::to_string(index) +
                    R"(","op":"observe","pid":501,"windowId":101,"screenshot":true})"
                    "\n";
    }
    requests += pings("p", pingCount);
    ASSERT_TRUE(child->write(requests));
    std::this_thread::sleep_for(500ms);

    int observed = 0;
    int ponged = 0;
    while (observed + ponged < observations + pingCount) {
        auto line = child->readLine(5s);
        ASSERT_TRUE(line) << "answers went missing after " << observed + ponged;
        Json answer = Json::parse(*line, nullptr, false);
        ASSERT_FALSE(answer.is_discarded()) << "a broken line of " << line->size() << " bytes";
        ASSERT_EQ(answer["ok"], true) << *line;
        if (answer["id"].get<std::string>().front() == 'o') {
            EXPECT_FALSE(answer["result"]["screenshot"]["data"].get<std::string>().empty());
            ++observed;
        } else {
            EXPECT_EQ(answer["id"], "p" + std::to_string(ponged));
            ++ponged;
        }
    }
    child->closeInput();
    EXPECT_EQ(child->waitForExit(5s), 0);
}

TEST(Process, ASignalEndsTheProgramPromptlyWhileNobodyReadsItsOutput) {
    auto child = startProgram();
    waitUntilServing(*child);
    ASSERT_TRUE(child->write(pings("f", 4000)));
    // The answers fill the pipe (64 KiB here); the program then waits for a reader that never
    // comes. A slow build takes a while to get there.
    const auto filling = std::chrono::steady_clock::now() + 20s;
    while (child->unreadOutputBytes() < 60000 && std::chrono::steady_clock::now() < filling) {
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_GE(child->unreadOutputBytes(), 60000u) << "the answers never filled the pipe";
    std::this_thread::sleep_for(100ms);
    auto signalled = std::chrono::steady_clock::now();
    child->terminate();
    EXPECT_EQ(child->waitForExit(3s), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, 1500ms);

    auto lines = remainingLines(*child);
    EXPECT_GT(lines.size(), 1000u);
    EXPECT_NE(child->errorOutput().find("orvel-computer-control: dropped the stopped event"),
              std::string::npos)
        << child->errorOutput();
}

TEST(Process, TheChildEndsWhenItsParentGoesAway) {
    // A shell starts the program and waits for it; once the program answers (so it knows its
    // parent), the shell is killed and the program reparented. The shell would give a
    // background job /dev/null as its input, so the input goes through descriptor 3.
    std::string script = "exec 3<&0; '" + std::string(ORVEL_BINARY_PATH) + "' <&3 3<&- & wait";
    auto shell = ChildProcess::start("/bin/sh", {"-c", script});
    ASSERT_TRUE(shell);
    ASSERT_TRUE(shell->write("{\"id\":\"ready\",\"op\":\"ping\"}\n"));
    EXPECT_EQ(nextJson(*shell)["id"], "ready");
    shell->kill();
    shell->waitForExit(2s);
    auto event = nextJson(*shell, 4s);
    EXPECT_EQ(event["event"], "stopped");
    EXPECT_EQ(event["reason"], "parent_exited");
    EXPECT_FALSE(shell->readLine(3s)) << "the output ends once the program has exited";
}

TEST(Process, ARefusedScenarioIsOneLineOnStandardErrorAndStatusTwo) {
    auto child = startProgram(
        {{"ORVEL_SIM_DESKTOP", std::string(ORVEL_SCENARIO_DIR) + "/no-such-file.json"}});
    EXPECT_EQ(child->waitForExit(5s), 2);
    auto error = child->errorOutput();
    EXPECT_EQ(error.rfind("orvel-computer-control: ", 0), 0u) << error;
    EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1) << error;
    EXPECT_FALSE(child->readLine(100ms));
}

TEST(Process, AnUnknownArgumentIsAUsageLineAndStatusTwo) {
    auto child = ChildProcess::start(ORVEL_BINARY_PATH, {"--mcpp"});
    ASSERT_TRUE(child);
    EXPECT_EQ(child->waitForExit(5s), 2);
    auto error = child->errorOutput();
    EXPECT_NE(error.find("usage: orvel-computer-control [--mcp]"), std::string::npos) << error;
    EXPECT_FALSE(child->readLine(100ms));
}

TEST(Process, TerminationSignalsEndAnMcpSessionWithAWarningAndStatusZero) {
    for (bool interrupt : {false, true}) {
        auto child = ChildProcess::start(ORVEL_BINARY_PATH, {"--mcp"});
        ASSERT_TRUE(child);
        ASSERT_TRUE(child->write(
            R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"protocolVersion":)"
            R"("2025-11-25","capabilities":{},"clientInfo":{"name":"t","version":"1"}}})"
            "\n"));
        EXPECT_EQ(nextJson(*child)["result"]["protocolVersion"], "2025-11-25");
        interrupt ? child->interrupt() : child->terminate();
        auto notice = nextJson(*child);
        EXPECT_EQ(notice["method"], "notifications/message");
        EXPECT_EQ(notice["params"]["level"], "warning");
        EXPECT_EQ(notice["params"]["data"]["reason"], "signal");
        EXPECT_EQ(child->waitForExit(3s), 0);
    }
}

} // namespace
} // namespace orvel
