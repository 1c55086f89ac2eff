// The Linux main loop beyond what every main loop keeps: a quit before the loop runs, and the
// events of a watched X connection handed over on the loop, those Xlib queued during a job's
// own round trip included.
#include "platform/linux/loop/LinuxMainLoop.hpp"
#include "linux/support/PrivateSession.hpp"
#include "platform/linux/x11/X11Connection.hpp"

#include <gtest/gtest.h>

#include <X11/Xatom.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace orvel::linuxdesktop {
namespace {

using namespace std::chrono_literals;

TEST(SdEventMainLoop, AQuitBeforeTheLoopRunsEndsItAtOnce) {
    auto loop = LinuxMainLoop::create();
    ASSERT_TRUE(loop);
    bool ran = false;
    loop->post([&ran] { ran = true; });
    loop->quit();
    loop->runForever();
    EXPECT_FALSE(ran) << "jobs still queued at a quit are dropped";
    EXPECT_FALSE(loop->isMainThread());
}

TEST(SdEventMainLoop, RunsPostedJobsUntilQuit) {
    auto loop = LinuxMainLoop::create();
    ASSERT_TRUE(loop);
    std::atomic<int> ran = 0;
    std::thread runner([&loop] { loop->runForever(); });
    for (int i = 0; i < 50; ++i) {
        loop->post([&ran] { ++ran; });
    }
    EXPECT_EQ(loop->runSync([&ran] { return ran.load(); }), 50);
    loop->quit();
    runner.join();
}

class LinuxMainLoopDisplay : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string whyNot;
        auto options = testing::PrivateSession::desktopOptions(whyNot);
        if (!options) {
            GTEST_SKIP() << whyNot;
        }
        watched_ = X11Connection::open(options->display);
        other_ = X11Connection::open(options->display);
        loop_ = LinuxMainLoop::create();
        ASSERT_TRUE(watched_ && other_ && loop_);
        atom_ = XInternAtom(other_->display(), "ORVEL_LOOP_TEST", False);
        // Property changes on a window of our own, so that nothing else's notes arrive.
        window_ = XCreateSimpleWindow(watched_->display(), watched_->root(), 0, 0, 1, 1, 0, 0, 0);
        XSelectInput(watched_->display(), window_, PropertyChangeMask);
        XSync(watched_->display(), False);
        ASSERT_TRUE(loop_->watchDisplay(watched_->display(), [this](XEvent& event) {
            if (event.type == PropertyNotify && event.xproperty.atom == atom_) {
                onLoop_ = onLoop_ && loop_->isMainThread();
                ++seen_;
            }
        }));
        runner_ = std::thread([this] { loop_->runForever(); });
    }

    void TearDown() override {
        if (runner_.joinable()) {
            loop_->quit();
            runner_.join();
            XDestroyWindow(watched_->display(), window_);
        }
    }

    void changeFromElsewhere() {
        const unsigned char value = 1;
        XChangeProperty(other_->display(), window_, atom_, XA_INTEGER, 8, PropModeReplace, &value,
                        1);
        XSync(other_->display(), False);
    }

    bool seenWithin(int count, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (seen_ < count && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(10ms);
        }
        return seen_ >= count;
    }

    std::unique_ptr<X11Connection> watched_;
    std::unique_ptr<X11Connection> other_;
    std::unique_ptr<LinuxMainLoop> loop_;
    std::thread runner_;
    Atom atom_ = 0;
    Window window_ = 0;
    std::atomic<int> seen_ = 0;
    std::atomic<bool> onLoop_ = true;
};

TEST_F(LinuxMainLoopDisplay, HandsTheConnectionsEventsOverOnTheLoop) {
    changeFromElsewhere();
    EXPECT_TRUE(seenWithin(1, 2s));
    EXPECT_TRUE(onLoop_);
}

TEST_F(LinuxMainLoopDisplay, HandsOverEventsQueuedDuringAJobsRoundTrip) {
    // The job's round trip reads the event into Xlib's queue, where the descriptor no longer
    // shows it; the loop must still hand it over without another wake-up.
    loop_->runSync([this] {
        changeFromElsewhere();
        XSync(watched_->display(), False);
    });
    EXPECT_TRUE(seenWithin(1, 1s));
}

} // namespace
} // namespace orvel::linuxdesktop
