// The built program on the Linux desktop (ORVEL_DESKTOP=x11) inside the private desktop
// session, against real applications written by others (gtk3-widget-factory, zenity, xterm
// as the terminal that is listed but out of reach) and the project's GTK test application:
// the application and window lists, and the lock state as the session's lock-service double
// sets it, with ORVEL_SCREEN_LOCK=none honoured.
#include "linux/support/PrivateSession.hpp"
#include "linux/support/ProgramClient.hpp"
#include "linux/support/TestApplication.hpp"

#include "OrvelControlCore/Json.hpp"
#include "platform/ChildProcess.hpp"

#include <gtest/gtest.h>

#include <thread>

namespace orvel::testing {
namespace {

using namespace std::chrono_literals;

const Json* appWithPid(const Json& apps, std::int32_t pid) {
    for (const auto& app : apps) {
        if (app.value("pid", 0) == pid) {
            return &app;
        }
    }
    return nullptr;
}

class LinuxProgram : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::string whyNot;
        if (!PrivateSession::desktopOptions(whyNot) || !PrivateSession::hasWindowManager()) {
            return;
        }
        widgetFactory_ = platform::ChildProcess::start("/usr/bin/gtk3-widget-factory", {});
        zenity_ = platform::ChildProcess::start("/usr/bin/zenity",
                                                {"--info", "--text", "Orvel tester zenity"});
        terminal_ = platform::ChildProcess::start("/usr/bin/xterm", {"-title", "Orvel terminal"});
        testApp_ = TestApplication::start({}, whyNot);
    }

    static void TearDownTestSuite() {
        for (auto* child : {&widgetFactory_, &zenity_, &terminal_}) {
            if (*child) {
                (*child)->terminate();
                (*child)->waitForExit(3s);
                child->reset();
            }
        }
        testApp_.reset();
    }

    void SetUp() override {
        std::string whyNot;
        if (!PrivateSession::desktopOptions(whyNot) || !PrivateSession::hasWindowManager()) {
            GTEST_SKIP() << "needs the private desktop session with its window manager";
        }
        ASSERT_TRUE(widgetFactory_ && zenity_ && terminal_ && testApp_)
            << "the applications did not start: " << whyNot;
    }

    void TearDown() override {
        PrivateSession::callLockDouble("SetPresent", {"boolean:true", "boolean:true"});
        PrivateSession::callLockDouble("SetLocked", {"boolean:false"});
    }

    // apps.list once every application shows its window.
    Json appsWithWindows(ProgramClient& program) {
        Json apps;
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < deadline) {
            apps = program.request({{"op", "apps.list"}})["result"]["apps"];
            bool all = true;
            for (auto pid :
                 {widgetFactory_->pid(), zenity_->pid(), terminal_->pid(), testApp_->pid()}) {
                const auto* app = appWithPid(apps, pid);
                all = all && app != nullptr && app->value("windows", 0) >= 1;
            }
            if (all) {
                break;
            }
            std::this_thread::sleep_for(200ms);
        }
        return apps;
    }

    static std::unique_ptr<platform::ChildProcess> widgetFactory_;
    static std::unique_ptr<platform::ChildProcess> zenity_;
    static std::unique_ptr<platform::ChildProcess> terminal_;
    static std::unique_ptr<TestApplication> testApp_;
};

std::unique_ptr<platform::ChildProcess> LinuxProgram::widgetFactory_;
std::unique_ptr<platform::ChildProcess> LinuxProgram::zenity_;
std::unique_ptr<platform::ChildProcess> LinuxProgram::terminal_;
std::unique_ptr<TestApplication> LinuxProgram::testApp_;

TEST_F(LinuxProgram, ListsRealApplicationsWithPidsNamesAndIdentifiers) {
    ProgramClient program(ORVEL_BINARY_PATH);
    ASSERT_TRUE(program);
    const auto apps = appsWithWindows(program);
    struct Expected {
        std::int32_t pid;
        const char* name;
        const char* identifier;
    };
    for (const auto& expected :
         {Expected{widgetFactory_->pid(), "gtk3-widget-factory", "org.gtk.WidgetFactory"},
          Expected{zenity_->pid(), "zenity", "Zenity"},
          Expected{testApp_->pid(), "orvel-test-app", "no.orvel.TestApp"}}) {
        const auto* app = appWithPid(apps, expected.pid);
        ASSERT_NE(app, nullptr) << expected.name << " in " << apps.dump();
        EXPECT_EQ((*app)["name"], expected.name);
        EXPECT_EQ((*app)["bundleId"], expected.identifier);
        EXPECT_EQ((*app)["allowed"], true);
        EXPECT_EQ((*app)["windows"], 1);
        EXPECT_GT((*app)["launchedAt"].get<double>(), 1.0e9);
    }
    const auto* terminal = appWithPid(apps, terminal_->pid());
    ASSERT_NE(terminal, nullptr);
    EXPECT_EQ((*terminal)["name"], "xterm");
    EXPECT_EQ((*terminal)["allowed"], false) << "a terminal is listed but out of reach";
    EXPECT_EQ((*terminal)["denialReason"],
              "Denne appen er utenfor rekkevidde for Linux-styring: XTerm.");
}

TEST_F(LinuxProgram, ListsAWindowWithItsRealFrame) {
    ProgramClient program(ORVEL_BINARY_PATH);
    ASSERT_TRUE(program);
    appsWithWindows(program);
    auto answer = program.request({{"op", "windows.list"}, {"pid", testApp_->pid()}});
    ASSERT_EQ(answer["ok"], true) << answer.dump();
    const auto& windows = answer["result"]["windows"];
    ASSERT_EQ(windows.size(), 1U) << windows.dump();
    const auto& window = windows[0];
    EXPECT_EQ(window["windowId"], testApp_->windowId());
    EXPECT_EQ(window["title"], "Orvel testvindu");
    EXPECT_EQ(window["eligible"], true);
    EXPECT_EQ(window["onScreen"], true);
    const auto& frame = testApp_->frame();
    EXPECT_EQ(window["frame"], (Json{{"x", frame.origin.x},
                                     {"y", frame.origin.y},
                                     {"width", frame.size.width},
                                     {"height", frame.size.height}}));
    EXPECT_EQ(answer["result"]["app"]["bundleId"], "no.orvel.TestApp");
}

TEST_F(LinuxProgram, RefusesTheTerminalsWindows) {
    ProgramClient program(ORVEL_BINARY_PATH);
    ASSERT_TRUE(program);
    appsWithWindows(program);
    auto answer = program.request({{"op", "windows.list"}, {"pid", terminal_->pid()}});
    EXPECT_EQ(answer["ok"], false);
    EXPECT_EQ(answer["error"]["code"], "denied_target");
    EXPECT_EQ(answer["error"]["details"], (Json{{"bundleId", "XTerm"}}));
}

TEST_F(LinuxProgram, ReportsTheSessionsLockAsTheLockServicesSayIt) {
    ProgramClient program(ORVEL_BINARY_PATH);
    ASSERT_TRUE(program);
    auto lock = [&program] {
        return program.request({{"op", "permissions.status"}})["result"];
    };
    auto status = lock();
    EXPECT_EQ(status["screenLocked"], false) << status.dump();
    EXPECT_EQ(status["lock"]["limitation"],
              "Skjermlåsen leses fra innloggingsøkten og skjermspareren. Ukjent tilstand "
              "behandles som låst.");
    ASSERT_TRUE(PrivateSession::callLockDouble("SetLocked", {"boolean:true"}));
    status = lock();
    EXPECT_EQ(status["screenLocked"], true);
    EXPECT_EQ(status["lock"]["state"], "locked");
    EXPECT_EQ(status["lock"]["reason"], "screen_locked");
    // The health answer carries the same.
    auto health = program.request({{"op", "health"}});
    EXPECT_NE(health.dump().find("\"screenLocked\":true"), std::string::npos) << health.dump();
    ASSERT_TRUE(PrivateSession::callLockDouble("SetLocked", {"boolean:false"}));
    EXPECT_EQ(lock()["screenLocked"], false);
}

TEST_F(LinuxProgram, CountsADesktopWithoutLockServicesAsLockedUnlessDeclaredLockless) {
    ASSERT_TRUE(PrivateSession::callLockDouble("SetPresent", {"boolean:false", "boolean:false"}));
    {
        ProgramClient program(ORVEL_BINARY_PATH);
        ASSERT_TRUE(program);
        auto status = program.request({{"op", "permissions.status"}})["result"];
        EXPECT_EQ(status["screenLocked"], true);
        EXPECT_EQ(status["lock"]["state"], "unknown");
        EXPECT_EQ(status["lock"]["reason"], "session_unavailable");
    }
    ProgramClient declared(ORVEL_BINARY_PATH, {{"ORVEL_SCREEN_LOCK", "none"}});
    ASSERT_TRUE(declared);
    auto status = declared.request({{"op", "permissions.status"}})["result"];
    EXPECT_EQ(status["screenLocked"], false);
    EXPECT_EQ(status["lock"]["state"], "unlocked");
    EXPECT_EQ(status["lock"]["limitation"],
              "Skrivebordet er oppgitt å ikke ha skjermlås (ORVEL_SCREEN_LOCK=none).");
}

TEST_F(LinuxProgram, ReportsWhatTheXServerAllows) {
    ProgramClient program(ORVEL_BINARY_PATH);
    ASSERT_TRUE(program);
    auto status = program.request({{"op", "permissions.status"}})["result"];
    EXPECT_EQ(status["screenRecording"], true);
    EXPECT_EQ(status["canCapture"], true);
    EXPECT_EQ(status["inputMonitoring"], true) << "the XInput2 raw events can be selected";
    EXPECT_EQ(status["secureInput"], false);
    // The takeover listener reads the XInput2 raw events, so foreground input can be sent.
    EXPECT_EQ(status["listener"]["active"], true) << status.dump();
    EXPECT_EQ(status["canSendForegroundInput"], true) << status.dump();
}

} // namespace
} // namespace orvel::testing
