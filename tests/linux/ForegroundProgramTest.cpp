// Foreground actions of the built program on the Linux desktop (ORVEL_DESKTOP=x11), inside the
// private desktop session: the refusals that come before any event could reach the X server,
// checked in the program's answer and in the application, which must not have changed.
#include "linux/support/PrivateSession.hpp"
#include "linux/support/ProgramClient.hpp"
#include "linux/support/TestApplication.hpp"

#include "platform/ChildProcess.hpp"

#include <gtest/gtest.h>

#include <thread>

namespace orvel::testing::foregroundprogram {
namespace {

using namespace std::chrono_literals;

class ForegroundProgram : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::string whyNot;
        if (!PrivateSession::desktopOptions(whyNot) || !PrivateSession::hasWindowManager()) {
            return;
        }
        TestApplicationOptions options;
        options.title = "Forgrunn";
        options.x = 300;
        options.y = 200;
        app_ = TestApplication::start(options, whyNot);
        terminal_ = platform::ChildProcess::start("/usr/bin/xterm", {"-title", "Orvel skall"});
    }
    static void TearDownTestSuite() {
        app_.reset();
        if (terminal_) {
            terminal_->terminate();
            terminal_->waitForExit(3s);
            terminal_.reset();
        }
    }

    void SetUp() override {
        std::string whyNot;
        if (!PrivateSession::desktopOptions(whyNot) || !PrivateSession::hasWindowManager()) {
            GTEST_SKIP() << "needs the private desktop session with its window manager";
        }
        ASSERT_TRUE(app_ && terminal_) << "the applications did not start: " << whyNot;
        program_ = std::make_unique<ProgramClient>(ORVEL_BINARY_PATH);
        ASSERT_TRUE(*program_);
    }

    void TearDown() override {
        program_.reset();
        PrivateSession::callLockDouble("SetLocked", {"boolean:false"});
        if (app_) {
            app_->command("move " + std::to_string(app_->options().x) + " " +
                          std::to_string(app_->options().y));
        }
    }

    Json observe() {
        return program_->request(
            {{"op", "observe"}, {"pid", app_->pid()}, {"windowId", app_->windowId()}});
    }

    Json act(const std::string& observationId, Json action) {
        return program_->request({{"op", "act"},
                                  {"observationId", observationId},
                                  {"mode", "foreground"},
                                  {"action", std::move(action)}});
    }

    // Waits until the program's window list shows the window away from where it was started.
    bool frameMoved() {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (std::chrono::steady_clock::now() < deadline) {
            auto windows = program_->request({{"op", "windows.list"}, {"pid", app_->pid()}});
            for (const auto& window : windows["result"]["windows"]) {
                if (window["windowId"] == app_->windowId() &&
                    window["frame"]["x"] != app_->frame().origin.x) {
                    return true;
                }
            }
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    // The label the app's button changes, as the program's next observation reads it: the
    // witness that no click reached the application.
    bool buttonUnpressed() {
        auto observation = observe();
        return observation["ok"] == true &&
               observation.dump().find("Ikke trykket") != std::string::npos;
    }

    static std::unique_ptr<TestApplication> app_;
    static std::unique_ptr<platform::ChildProcess> terminal_;
    std::unique_ptr<ProgramClient> program_;
};

std::unique_ptr<TestApplication> ForegroundProgram::app_;
std::unique_ptr<platform::ChildProcess> ForegroundProgram::terminal_;

TEST_F(ForegroundProgram, AWindowMovedSinceTheObservationIsRefused) {
    auto observation = observe();
    ASSERT_EQ(observation["ok"], true) << observation.dump();
    ASSERT_TRUE(app_->command("move 360 260"));
    ASSERT_TRUE(frameMoved()) << "the window manager moves the window";
    auto answer = act(observation["result"]["observationId"],
                      {{"type", "pointer.click"}, {"x", 20}, {"y", 20}});
    EXPECT_EQ(answer["ok"], false);
    EXPECT_EQ(answer["error"]["code"], "stale_observation") << answer.dump();
    EXPECT_EQ(answer["error"]["message"],
              "Vinduet er flyttet, endret eller borte. Observer på nytt.");
    EXPECT_TRUE(buttonUnpressed());
}

TEST_F(ForegroundProgram, ALockedSessionRefusesTheAction) {
    auto observation = observe();
    ASSERT_EQ(observation["ok"], true) << observation.dump();
    ASSERT_TRUE(PrivateSession::callLockDouble("SetLocked", {"boolean:true"}));
    auto answer = act(observation["result"]["observationId"],
                      {{"type", "pointer.click"}, {"x", 20}, {"y", 20}});
    EXPECT_EQ(answer["ok"], false);
    EXPECT_EQ(answer["error"]["code"], "screen_locked") << answer.dump();
    EXPECT_EQ(answer["error"]["message"],
              "Skjermen er låst. Styringen fortsetter ikke på låst skjerm.");
    ASSERT_TRUE(PrivateSession::callLockDouble("SetLocked", {"boolean:false"}));
    EXPECT_TRUE(buttonUnpressed());
}

TEST_F(ForegroundProgram, TheTerminalIsNeverObservedSoNeverActedOn) {
    program_->request({{"op", "apps.list"}});
    auto answer = program_->request(
        {{"op", "observe"}, {"pid", terminal_->pid()}, {"windowId", app_->windowId()}});
    EXPECT_EQ(answer["ok"], false);
    EXPECT_EQ(answer["error"]["code"], "denied_target") << answer.dump();
    EXPECT_EQ(answer["error"]["details"], (Json{{"bundleId", "XTerm"}}));
}

} // namespace
} // namespace orvel::testing::foregroundprogram
