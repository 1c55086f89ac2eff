// Foreground actions of the built program on the Linux desktop (ORVEL_DESKTOP=x11) that need
// its input and takeover listener, inside the private desktop session: the pointer refusals
// that the point's window and element decide (a password field, another application's dialog,
// the application's own menu) and another application raised while the program types. The
// application's own state is the witness that no refused click reached it.
#include "linux/support/PrivateSession.hpp"
#include "linux/support/ProgramClient.hpp"
#include "linux/support/TestApplication.hpp"

#include "platform/ChildProcess.hpp"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gtest/gtest.h>

#include <thread>

namespace orvel::testing::foregroundinput {
namespace {

using namespace std::chrono_literals;

// The first element of an observation with this label.
const Json* elementLabelled(const Json& observation, const std::string& label) {
    for (const auto& element : observation["result"]["elements"]) {
        if (element.value("label", "") == label) {
            return &element;
        }
    }
    return nullptr;
}

Json centreOf(const Json& element) {
    const auto& frame = element["frame"];
    return Json{{"x", frame["x"].get<double>() + frame["width"].get<double>() / 2},
                {"y", frame["y"].get<double>() + frame["height"].get<double>() / 2}};
}

// Another client of the X server, as a pager or the person at the desktop would act.
class OtherClient {
  public:
    explicit OtherClient(const std::string& display) : display_(XOpenDisplay(display.c_str())) {}
    ~OtherClient() {
        if (display_ != nullptr) {
            XCloseDisplay(display_);
        }
    }
    OtherClient(const OtherClient&) = delete;
    OtherClient& operator=(const OtherClient&) = delete;
    explicit operator bool() const { return display_ != nullptr; }

    // The window manager's requests a pager sends.
    void activate(Window window) { send(window, "_NET_ACTIVE_WINDOW", {2, CurrentTime, 0}); }
    void keepAbove(Window window) {
        send(window, "_NET_WM_STATE",
             {1, static_cast<long>(XInternAtom(display_, "_NET_WM_STATE_ABOVE", False)), 0});
    }

    // The client window of the process, as _NET_CLIENT_LIST and _NET_WM_PID say; 0 for none.
    Window windowOf(std::int32_t pid) {
        Atom list = XInternAtom(display_, "_NET_CLIENT_LIST", False);
        Atom wmPid = XInternAtom(display_, "_NET_WM_PID", False);
        for (auto window : longs(DefaultRootWindow(display_), list, XA_WINDOW)) {
            auto pids = longs(window, wmPid, XA_CARDINAL);
            if (!pids.empty() && static_cast<std::int32_t>(pids[0]) == pid) {
                return window;
            }
        }
        return 0;
    }

  private:
    void send(Window window, const char* message, std::initializer_list<long> data) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display_, message, False);
        event.xclient.format = 32;
        int index = 0;
        for (long value : data) {
            event.xclient.data.l[index++] = value;
        }
        XSendEvent(display_, DefaultRootWindow(display_), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &event);
        XSync(display_, False);
    }

    std::vector<unsigned long> longs(Window window, Atom property, Atom type) {
        Atom actual = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        std::vector<unsigned long> values;
        if (XGetWindowProperty(display_, window, property, 0, 1024, False, type, &actual, &format,
                               &count, &after, &data) == Success &&
            data != nullptr) {
            if (format == 32) {
                auto* items = reinterpret_cast<unsigned long*>(data);
                values.assign(items, items + count);
            }
            XFree(data);
        }
        return values;
    }

    Display* display_;
};

class ForegroundInputProgram : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::string whyNot;
        options_ = PrivateSession::desktopOptions(whyNot);
        if (!options_ || !PrivateSession::hasWindowManager()) {
            return;
        }
        TestApplicationOptions options;
        options.title = "Inndata";
        options.x = 200;
        options.y = 120;
        options.width = 900;
        options.height = 760;
        app_ = TestApplication::start(options, whyNot);
        TestApplicationOptions other;
        other.title = "Annen app";
        other.x = 1300;
        other.y = 120;
        other.width = 400;
        other.height = 500;
        other.applicationId = "no.orvel.OtherApp";
        other_ = TestApplication::start(other, whyNot);
    }
    static void TearDownTestSuite() {
        app_.reset();
        other_.reset();
    }

    void SetUp() override {
        if (!options_ || !PrivateSession::hasWindowManager()) {
            GTEST_SKIP() << "needs the private desktop session with its window manager";
        }
        ASSERT_TRUE(app_ && other_) << "the applications did not start";
        client_ = std::make_unique<OtherClient>(options_->display);
        ASSERT_TRUE(*client_);
        program_ = std::make_unique<ProgramClient>(ORVEL_BINARY_PATH);
        ASSERT_TRUE(*program_);
        auto status = program_->request({{"op", "permissions.status"}});
        ASSERT_EQ(status["ok"], true) << status.dump();
    }

    void TearDown() override {
        program_.reset();
        if (app_) {
            app_->command("close");
            app_->command("focus button");
        }
    }

    Json observe() {
        auto observation = program_->request(
            {{"op", "observe"}, {"pid", app_->pid()}, {"windowId", app_->windowId()}});
        EXPECT_EQ(observation["ok"], true) << observation.dump();
        return observation;
    }

    Json act(const Json& observation, Json action) {
        return program_->request({{"op", "act"},
                                  {"observationId", observation["result"]["observationId"]},
                                  {"mode", "foreground"},
                                  {"action", std::move(action)}},
                                 30s);
    }

    Json click(const Json& observation, const Json& point) {
        return act(observation, {{"type", "pointer.click"}, {"x", point["x"]}, {"y", point["y"]}});
    }

    // The button's label in a fresh observation: no click reached the button while it reads
    // "Ikke trykket".
    std::string buttonLabel() {
        auto observation = observe();
        const auto* label = elementLabelled(observation, "Ikke trykket");
        return label != nullptr ? "Ikke trykket" : "changed";
    }

    static std::optional<linuxdesktop::LinuxDesktopOptions> options_;
    static std::unique_ptr<TestApplication> app_;
    static std::unique_ptr<TestApplication> other_;
    std::unique_ptr<OtherClient> client_;
    std::unique_ptr<ProgramClient> program_;
};

std::optional<linuxdesktop::LinuxDesktopOptions> ForegroundInputProgram::options_;
std::unique_ptr<TestApplication> ForegroundInputProgram::app_;
std::unique_ptr<TestApplication> ForegroundInputProgram::other_;

TEST_F(ForegroundInputProgram, AClickOnAPasswordFieldIsRefused) {
    auto observation = observe();
    const auto* password = elementLabelled(observation, "Passord");
    ASSERT_NE(password, nullptr);
    auto answer = click(observation, centreOf(*password));
    EXPECT_EQ(answer["ok"], false);
    EXPECT_EQ(answer["error"]["code"], "denied_target") << answer.dump();
    EXPECT_EQ(answer["error"]["message"],
              "Punktet treffer et passordfelt. Orvel Rire handler ikke der.");
}

TEST_F(ForegroundInputProgram, APointUnderAnotherApplicationsDialogIsRefused) {
    auto zenity = platform::ChildProcess::start(
        "/usr/bin/zenity", {"--info", "--title", "Over alt", "--text", "Ligger over"},
        {{"GDK_BACKEND", "x11"}});
    ASSERT_TRUE(zenity);
    Window dialog = 0;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (dialog == 0 && std::chrono::steady_clock::now() < deadline) {
        dialog = client_->windowOf(zenity->pid());
        std::this_thread::sleep_for(50ms);
    }
    ASSERT_NE(dialog, 0U);
    // Kept above, as some desktops keep their dialogs: activating the application does not
    // bring it over the dialog.
    client_->keepAbove(dialog);
    std::this_thread::sleep_for(300ms);
    XWindowAttributes attributes;
    Window child = 0;
    int x = 0;
    int y = 0;
    // The dialog's middle, in the application's window.
    Display* display = XOpenDisplay(options_->display.c_str());
    ASSERT_NE(display, nullptr);
    XGetWindowAttributes(display, dialog, &attributes);
    XTranslateCoordinates(display, dialog, DefaultRootWindow(display), attributes.width / 2,
                          attributes.height / 2, &x, &y, &child);
    XCloseDisplay(display);
    const auto& frame = app_->frame();
    ASSERT_TRUE(frame.contains(Point{static_cast<double>(x), static_cast<double>(y)}))
        << "the dialog lies over the application's window";

    auto observation = observe();
    auto answer = click(observation, Json{{"x", x - frame.origin.x}, {"y", y - frame.origin.y}});
    EXPECT_EQ(answer["ok"], false);
    EXPECT_EQ(answer["error"]["code"], "window_obscured") << answer.dump();
    EXPECT_EQ(answer["error"]["message"], "Et vindu fra en annen app ligger over punktet.");
    EXPECT_EQ(answer["error"]["details"]["pid"], zenity->pid());
    zenity->terminate();
    zenity->waitForExit(3s);
}

TEST_F(ForegroundInputProgram, APointUnderTheApplicationsOwnMenuIsRefused) {
    auto observation = observe();
    const auto* button = elementLabelled(observation, "Trykk meg");
    ASSERT_NE(button, nullptr);
    const auto& screen = (*button)["screenFrame"];
    const int menuX = static_cast<int>(screen["x"].get<double>()) + 10;
    const int menuY = static_cast<int>(screen["y"].get<double>()) + 2;
    ASSERT_TRUE(app_->command("menu " + std::to_string(menuX) + " " + std::to_string(menuY)));
    std::this_thread::sleep_for(200ms);
    const auto& frame = app_->frame();
    auto answer = click(
        observation, Json{{"x", menuX + 15 - frame.origin.x}, {"y", menuY + 10 - frame.origin.y}});
    EXPECT_EQ(answer["ok"], false) << answer.dump();
    // The open menu holds the application's focus (GTK makes its pop-up the active window), so
    // the observed window cannot be given it back and the action stops there, before the point.
    EXPECT_EQ(answer["error"]["code"], "foreground_required") << answer.dump();
    EXPECT_EQ(answer["error"]["message"],
              "Det valgte vinduet fikk ikke fokus i appen. Be brukeren om å velge vinduet selv.");
    ASSERT_TRUE(app_->command("close"));
    EXPECT_EQ(buttonLabel(), "Ikke trykket") << "the click never reached the button";
}

TEST_F(ForegroundInputProgram, AnotherApplicationRaisedDuringTypingEndsTheAction) {
    ASSERT_TRUE(app_->command("focus entry"));
    auto observation = observe();
    std::thread raiser([this] {
        std::this_thread::sleep_for(400ms);
        client_->activate(other_->windowId());
    });
    auto answer = act(observation, {{"type", "key.type"}, {"text", std::string(400, 'a')}});
    raiser.join();
    EXPECT_EQ(answer["ok"], false) << answer.dump();
    // The application loses its keyboard focus and the window manager names the new active
    // window at about the same moment; whichever the guard reads first ends the action.
    const std::string code = answer["error"].value("code", "");
    EXPECT_TRUE(code == "foreground_lost" || code == "stale_observation") << answer.dump();
    EXPECT_EQ(answer["error"]["details"]["partial"], true) << answer.dump();
    EXPECT_LT(answer["error"]["details"].value("typed", 400), 400) << answer.dump();
}

} // namespace
} // namespace orvel::testing::foregroundinput
