// The Linux desktop beyond the contracts every desktop keeps, inside the private desktop
// session: the workspace's merge of the accessibility bus's applications with window owners,
// captures of windows that are not on screen, the lock sources one at a time (a hung one
// included), the declared absence of a screen lock, and a desktop without a window manager.
#include "linux/support/PrivateSession.hpp"
#include "linux/support/RunningDesktop.hpp"
#include "linux/support/TestApplication.hpp"
#include "linux/support/UnreachableAccessibility.hpp"

#include "OrvelControlCore/LockState.hpp"
#include "platform/ChildProcess.hpp"

#include "support/Eventually.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <fstream>
#include <future>
#include <mutex>
#include <thread>

namespace orvel::testing {
namespace {

using namespace std::chrono_literals;

// The accessibility bus's list of applications, as a test sets it.
class ApplicationsDouble final : public linuxdesktop::AccessibleApplications {
  public:
    void set(std::vector<std::int32_t> pids) {
        std::lock_guard lock(mutex_);
        pids_ = std::move(pids);
    }
    std::vector<linuxdesktop::AccessibleApplication> accessibleApplications() override {
        std::lock_guard lock(mutex_);
        std::vector<linuxdesktop::AccessibleApplication> apps;
        for (auto pid : pids_) {
            apps.push_back({pid, std::nullopt});
        }
        return apps;
    }

  private:
    std::mutex mutex_;
    std::vector<std::int32_t> pids_; // guarded by mutex_
};

class LinuxDesktop : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::string whyNot;
        options_ = PrivateSession::desktopOptions(whyNot);
        if (options_ && PrivateSession::hasWindowManager()) {
            app_ = TestApplication::start({}, whyNot);
        }
    }
    static void TearDownTestSuite() { app_.reset(); }

    void SetUp() override {
        if (!options_ || !PrivateSession::hasWindowManager()) {
            GTEST_SKIP() << "needs the private desktop session with its window manager";
        }
        ASSERT_TRUE(app_) << "the test application did not start";
        open(*options_);
    }

    void TearDown() override {
        desktop_.reset();
        if (options_) {
            PrivateSession::callLockDouble("SetPresent", {"boolean:true", "boolean:true"});
            PrivateSession::callLockDouble("SetLocked", {"boolean:false"});
            PrivateSession::callLockDouble("SetScreensaverActive", {"boolean:false"});
            PrivateSession::callLockDouble("SetSessionActive", {"boolean:true"});
        }
    }

    void open(const linuxdesktop::LinuxDesktopOptions& options) {
        desktop_.reset();
        std::string error;
        desktop_ = RunningDesktop::open(options, std::make_shared<UnreachableAccessibility>(),
                                        applications_, error);
        ASSERT_TRUE(desktop_) << error;
    }

    platform::Platform& platform() { return desktop_->platform(); }

    LockState lockState() {
        return LockPolicy::interpret(platform().windowServer.copyCurrentSessionDictionary(),
                                     std::nullopt);
    }

    static std::optional<linuxdesktop::LinuxDesktopOptions> options_;
    static std::unique_ptr<TestApplication> app_;
    std::shared_ptr<ApplicationsDouble> applications_ = std::make_shared<ApplicationsDouble>();
    std::unique_ptr<RunningDesktop> desktop_;
};

std::optional<linuxdesktop::LinuxDesktopOptions> LinuxDesktop::options_;
std::unique_ptr<TestApplication> LinuxDesktop::app_;

TEST_F(LinuxDesktop, ListsTheAccessibilityBussApplicationsBesideTheWindowOwners) {
    auto sleeper = platform::ChildProcess::start("/bin/sleep", {"30"});
    ASSERT_TRUE(sleeper);
    // Until the child has called exec, /proc names it after this test binary.
    const auto comm = "/proc/" + std::to_string(sleeper->pid()) + "/comm";
    ASSERT_TRUE(eventually([&] {
        std::ifstream file(comm);
        std::string name;
        return std::getline(file, name) && name == "sleep";
    }));
    applications_->set({sleeper->pid(), app_->pid()});
    auto apps = platform().workspace.runningApplications();
    const auto count = [&apps](std::int32_t pid) {
        return std::count_if(apps.begin(), apps.end(),
                             [pid](const auto& app) { return app.processIdentifier == pid; });
    };
    EXPECT_EQ(count(app_->pid()), 1) << "listed by both, shown once";
    EXPECT_EQ(count(sleeper->pid()), 1);
    auto windowless = platform().workspace.runningApplication(sleeper->pid());
    ASSERT_TRUE(windowless.has_value());
    EXPECT_EQ(windowless->localizedName, "sleep");
    EXPECT_EQ(windowless->bundleIdentifier, "sleep") << "no window names it: its executable does";
    EXPECT_EQ(windowless->activationPolicy, platform::ActivationPolicy::regular);
    EXPECT_TRUE(windowless->launchDate.has_value());

    sleeper->kill();
    sleeper->waitForExit(3s);
    EXPECT_FALSE(platform().workspace.runningApplication(sleeper->pid()))
        << "a process that ended is no application, whatever the bus still says";
    applications_->set({});
    EXPECT_FALSE(platform().workspace.runningApplication(static_cast<std::int32_t>(getpid())));
}

TEST_F(LinuxDesktop, RefusesToCaptureAWindowThatIsNotOnScreen) {
    ASSERT_TRUE(app_->command("iconify"));
    ASSERT_TRUE(eventually([&] {
        auto list = platform().windowServer.copyWindowInfo(platform::windowlist::onScreenOnly, 0);
        return std::none_of(list->begin(), list->end(), [&](const Json& window) {
            return window.value("kCGWindowNumber", 0U) == app_->windowId();
        });
    })) << "the window manager minimises the window";
    auto done = std::make_shared<std::promise<std::string>>();
    auto error = done->get_future();
    platform::StreamConfiguration configuration;
    configuration.width = 100;
    configuration.height = 100;
    platform().capture.captureImage(app_->windowId(), configuration,
                                    [done](std::optional<platform::CapturedImage> image,
                                           std::optional<platform::CaptureError> failure) {
                                        done->set_value(image ? "an image"
                                                              : failure->localizedDescription);
                                    });
    ASSERT_EQ(error.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(error.get(), "the window is not on screen");
    ASSERT_TRUE(app_->command("deiconify"));
}

TEST_F(LinuxDesktop, TheScreensaverAloneLocksAndNotifies) {
    // Shared with the observers, which live as long as the desktop.
    auto locks = std::make_shared<std::atomic<int>>(0);
    auto unlocks = std::make_shared<std::atomic<int>>(0);
    platform().notifications.addObserver(platform::notification::screenIsLocked,
                                         [locks] { ++*locks; });
    platform().notifications.addObserver(platform::notification::screenIsUnlocked,
                                         [unlocks] { ++*unlocks; });
    ASSERT_TRUE(PrivateSession::callLockDouble("SetPresent", {"boolean:false", "boolean:true"}));
    EXPECT_EQ(lockState(), LockState::unlocked()) << "the screensaver alone is a lock source";
    ASSERT_TRUE(PrivateSession::callLockDouble("SetScreensaverActive", {"boolean:true"}));
    EXPECT_EQ(lockState(), LockState::locked("screen_locked"));
    EXPECT_TRUE(eventually([&] { return *locks == 1; }));
    ASSERT_TRUE(PrivateSession::callLockDouble("SetScreensaverActive", {"boolean:false"}));
    EXPECT_TRUE(eventually([&] { return *unlocks == 1; }));
    EXPECT_EQ(lockState(), LockState::unlocked());
}

TEST_F(LinuxDesktop, ASessionInTheBackgroundIsNotOnTheConsole) {
    ASSERT_TRUE(PrivateSession::callLockDouble("SetSessionActive", {"boolean:false"}));
    EXPECT_EQ(lockState(), LockState::locked("session_not_on_console"));
}

TEST_F(LinuxDesktop, ALockServiceThatHangsCountsAsUnknownWithinItsTimeOut) {
    const auto pid = PrivateSession::systemBusOwner("org.freedesktop.login1");
    ASSERT_GT(pid, 0);
    ASSERT_EQ(::kill(pid, SIGSTOP), 0);
    struct Resume {
        std::int32_t pid;
        ~Resume() { ::kill(pid, SIGCONT); }
    } resume{pid};
    const auto started = std::chrono::steady_clock::now();
    const auto dictionary = platform().windowServer.copyCurrentSessionDictionary();
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_FALSE(dictionary.has_value()) << dictionary->dump();
    EXPECT_GE(took, 250ms) << "it waited for the stopped service";
    EXPECT_LT(took, 1500ms) << "and no longer than its calls' time-outs";
}

TEST_F(LinuxDesktop, ADeclaredAbsentLockReadsUnlockedUnlessALockerSaysLocked) {
    auto declared = *options_;
    declared.lockSource = platform::LockSource::declaredAbsent;
    open(declared);
    EXPECT_EQ(platform().profile.texts.lockLimitation,
              "Skrivebordet er oppgitt å ikke ha skjermlås (ORVEL_SCREEN_LOCK=none).");
    ASSERT_TRUE(PrivateSession::callLockDouble("SetPresent", {"boolean:false", "boolean:false"}));
    EXPECT_EQ(lockState(), LockState::unlocked());
    ASSERT_TRUE(PrivateSession::callLockDouble("SetPresent", {"boolean:true", "boolean:true"}));
    ASSERT_TRUE(PrivateSession::callLockDouble("SetLocked", {"boolean:true"}));
    EXPECT_EQ(lockState(), LockState::locked("screen_locked"));
}

// Inside a session started with --no-window-manager.
class LinuxWithoutWindowManager : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string whyNot;
        auto options = PrivateSession::desktopOptions(whyNot);
        if (!options || PrivateSession::hasWindowManager()) {
            GTEST_SKIP() << "needs the private desktop session without a window manager";
        }
        first_ =
            TestApplication::start({.title = "Uten vindusbehandler", .x = 40, .y = 40}, whyNot);
        ASSERT_TRUE(first_) << whyNot;
        second_ = TestApplication::start({.title = "Uten vindusbehandler 2",
                                          .x = 400,
                                          .y = 300,
                                          .patch = "00a05a",
                                          .applicationId = "no.orvel.TestApp.Second"},
                                         whyNot);
        ASSERT_TRUE(second_) << whyNot;
        desktop_ = RunningDesktop::open(*options, std::make_shared<UnreachableAccessibility>(),
                                        std::make_shared<ApplicationsDouble>(), whyNot);
        ASSERT_TRUE(desktop_) << whyNot;
    }

    std::vector<std::uint32_t> order() {
        std::vector<std::uint32_t> windows;
        auto list =
            desktop_->platform().windowServer.copyWindowInfo(platform::windowlist::onScreenOnly, 0);
        for (const auto& window : list.value_or(Json::array())) {
            windows.push_back(window.value("kCGWindowNumber", 0U));
        }
        return windows;
    }

    std::unique_ptr<TestApplication> first_;
    std::unique_ptr<TestApplication> second_;
    std::unique_ptr<RunningDesktop> desktop_;
};

TEST_F(LinuxWithoutWindowManager, ListsTheRootsWindowsFrontToBackWithTheirOwnFrames) {
    auto list =
        desktop_->platform().windowServer.copyWindowInfo(platform::windowlist::onScreenOnly, 0);
    ASSERT_TRUE(list.has_value());
    const Json* found = nullptr;
    for (const auto& window : *list) {
        if (window.value("kCGWindowNumber", 0U) == first_->windowId()) {
            found = &window;
        }
    }
    ASSERT_NE(found, nullptr) << list->dump();
    EXPECT_EQ((*found)["kCGWindowOwnerPID"], first_->pid());
    const auto& bounds = (*found)["kCGWindowBounds"];
    EXPECT_EQ(bounds["X"], first_->frame().origin.x);
    EXPECT_EQ(bounds["Y"], first_->frame().origin.y);
    EXPECT_EQ(bounds["Width"], first_->frame().size.width);
    EXPECT_EQ(bounds["Height"], first_->frame().size.height);
    auto windows = order();
    auto firstAt = std::find(windows.begin(), windows.end(), first_->windowId());
    auto secondAt = std::find(windows.begin(), windows.end(), second_->windowId());
    EXPECT_LT(secondAt, firstAt) << "the window mapped last is on top";
}

TEST_F(LinuxWithoutWindowManager, ActivationRaisesAndFocuses) {
    auto& workspace = desktop_->platform().workspace;
    ASSERT_TRUE(workspace.activate(first_->pid(), 0));
    EXPECT_TRUE(eventually([&] {
        auto front = workspace.frontmostApplication();
        return front && front->processIdentifier == first_->pid();
    }));
    EXPECT_TRUE(
        eventually([&] { return !order().empty() && order().front() == first_->windowId(); }));
}

} // namespace
} // namespace orvel::testing
