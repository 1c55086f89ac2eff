// Foreground mode and pointer verification on the Linux desktop, inside the private desktop
// session, against the project's GTK test application and zenity: activation and raising
// through the window manager, the front-most window and the accessible element at a point
// (the same application's dialog and menu, another application's dialog), and secure keyboard
// entry as the desktop approximates it. What the program reports is checked against witnesses
// of the test's own: the X server's _NET_ACTIVE_WINDOW, input focus and stacking read on a
// connection of the test's, and the application's accessibility tree.
#include "linux/support/PrivateSession.hpp"
#include "linux/support/RunningApp.hpp"
#include "linux/support/RunningDesktop.hpp"
#include "linux/support/TestApplication.hpp"
#include "linux/support/TreeSearch.hpp"

#include "OrvelControlCore/Json.hpp"
#include "platform/linux/atspi/AtspiAccessibility.hpp"
#include "platform/linux/x11/SecureInputProbe.hpp"
#include "platform/linux/x11/X11ScreenWindows.hpp"

#include "support/Eventually.hpp"
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

namespace orvel::testing::foreground {
namespace {

using namespace std::chrono_literals;
using platform::AXValue;
namespace ax = platform::ax;

// The test's own view of the X server, on a connection the program does not use.
class ServerWitness {
  public:
    explicit ServerWitness(const std::string& display) : display_(XOpenDisplay(display.c_str())) {}
    ~ServerWitness() {
        if (display_ != nullptr) {
            XCloseDisplay(display_);
        }
    }
    ServerWitness(const ServerWitness&) = delete;
    ServerWitness& operator=(const ServerWitness&) = delete;

    Display* display() const { return display_; }

    Window activeWindow() const {
        Atom active = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        Window window = 0;
        if (XGetWindowProperty(display_, DefaultRootWindow(display_), active, 0, 1, False,
                               XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
            data != nullptr) {
            if (count == 1 && format == 32) {
                window = *reinterpret_cast<unsigned long*>(data);
            }
            XFree(data);
        }
        return window;
    }

    // Whether the input focus is on the window or inside it (GTK focuses a child of its own).
    bool focusIn(Window window) const {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(display_, &focus, &revert);
        for (int depth = 0; depth < 16 && focus != 0 && focus != PointerRoot; ++depth) {
            if (focus == window) {
                return true;
            }
            Window root = 0;
            Window parent = 0;
            Window* children = nullptr;
            unsigned int count = 0;
            if (XQueryTree(display_, focus, &root, &parent, &children, &count) == 0) {
                return false;
            }
            if (children != nullptr) {
                XFree(children);
            }
            focus = parent;
        }
        return false;
    }

  private:
    Display* display_;
};

std::string titleOf(platform::AccessibilityService& service, const platform::ElementHandle& e) {
    return textOf(service, e, "AXTitle").value_or("");
}

// The application's focused window as the accessibility bus says, by its title; "" for none.
std::string focusedWindowTitle(platform::AccessibilityService& service, std::int32_t pid) {
    auto window = service.copyAttributeValue(service.createApplication(pid), "AXFocusedWindow");
    if (!window.ok() || window.value.kind != AXValue::Kind::element) {
        return "";
    }
    return titleOf(service, window.value.element);
}

std::optional<Rect> frameOf(platform::AccessibilityService& service,
                            const platform::ElementHandle& element) {
    auto position = service.copyAttributeValue(element, "AXPosition");
    auto size = service.copyAttributeValue(element, "AXSize");
    if (!position.ok() || !size.ok()) {
        return std::nullopt;
    }
    return Rect{position.value.point, size.value.size};
}

platform::ElementHandle windowOf(platform::AccessibilityService& service,
                                 const platform::ElementHandle& element) {
    auto window = service.copyAttributeValue(element, "AXWindow");
    return window.ok() && window.value.kind == AXValue::Kind::element ? window.value.element
                                                                      : platform::ElementHandle();
}

class Foreground : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::string whyNot;
        options_ = PrivateSession::desktopOptions(whyNot);
        if (!options_ || !PrivateSession::hasWindowManager()) {
            return;
        }
        TestApplicationOptions large;
        large.title = "Stort vindu";
        // Nearly the whole screen, so that the window manager, which places new windows where
        // they cover nothing if it can, puts another application's dialog over it.
        large.x = 0;
        large.y = 0;
        large.width = 1880;
        large.height = 1000;
        large_ = TestApplication::start(large, whyNot);
        TestApplicationOptions small;
        small.title = "Lite vindu";
        small.x = 1320;
        small.y = 100;
        small.width = 480;
        small.height = 560;
        small.applicationId = "no.orvel.SmallApp";
        small_ = TestApplication::start(small, whyNot);
    }
    static void TearDownTestSuite() {
        large_.reset();
        small_.reset();
    }

    void SetUp() override {
        if (!options_ || !PrivateSession::hasWindowManager()) {
            GTEST_SKIP() << "needs the private desktop session with its window manager";
        }
        ASSERT_TRUE(large_ && small_) << "the test applications did not start";
        auto screen = linuxdesktop::X11ScreenWindows::open(options_->display);
        ASSERT_TRUE(screen);
        service_ = linuxdesktop::AtspiAccessibility::fromEnvironment(std::move(screen));
        std::string error;
        desktop_ = RunningDesktop::open(*options_, service_, service_, error);
        ASSERT_TRUE(desktop_) << error;
        witness_ = std::make_unique<ServerWitness>(options_->display);
        ASSERT_NE(witness_->display(), nullptr);
    }

    void TearDown() override {
        if (large_) {
            large_->command("close");
        }
        desktop_.reset();
    }

    platform::Platform& platform() { return desktop_->platform(); }

    // Activates the application through the workspace and waits for it to be frontmost.
    bool activate(const TestApplication& app) {
        if (!platform().workspace.activate(app.pid(), 0)) {
            return false;
        }
        return eventually([&] {
            auto front = platform().workspace.frontmostApplication();
            return front && front->processIdentifier == app.pid() &&
                   witness_->activeWindow() == app.windowId();
        });
    }

    platform::ElementHandle windowElement(const TestApplication& app) {
        auto windows =
            service_->copyAttributeValue(service_->createApplication(app.pid()), "AXWindows");
        if (windows.ok()) {
            for (const auto& window : windows.value.array) {
                if (titleOf(*service_, window.element) == app.options().title) {
                    return window.element;
                }
            }
        }
        return {};
    }

    std::optional<FoundElement> element(const TestApplication& app, const std::string& role,
                                        const std::string& title) {
        return findElement(walkTree(*service_, windowElement(app)), role, title);
    }

    // The first window of the on-screen list containing the point, as the program reads it.
    std::optional<Json> windowAt(Point point) {
        auto list = platform().windowServer.copyWindowInfo(platform::windowlist::onScreenOnly, 0);
        if (!list) {
            return std::nullopt;
        }
        for (const auto& window : *list) {
            const auto& bounds = window["kCGWindowBounds"];
            Rect frame{{bounds["X"].get<double>(), bounds["Y"].get<double>()},
                       {bounds["Width"].get<double>(), bounds["Height"].get<double>()}};
            if (frame.contains(point)) {
                return window;
            }
        }
        return std::nullopt;
    }

    platform::AXAnswer<platform::ElementHandle> elementAt(Point point) {
        return service_->copyElementAtPosition(
            service_->createSystemWide(), static_cast<float>(point.x), static_cast<float>(point.y));
    }

    static std::optional<linuxdesktop::LinuxDesktopOptions> options_;
    static std::unique_ptr<TestApplication> large_;
    static std::unique_ptr<TestApplication> small_;
    std::shared_ptr<linuxdesktop::AtspiAccessibility> service_;
    std::unique_ptr<RunningDesktop> desktop_;
    std::unique_ptr<ServerWitness> witness_;
};

std::optional<linuxdesktop::LinuxDesktopOptions> Foreground::options_;
std::unique_ptr<TestApplication> Foreground::large_;
std::unique_ptr<TestApplication> Foreground::small_;

TEST_F(Foreground, ActivationTakesAndTheServerAndTheApplicationSaySo) {
    for (const TestApplication* app : {large_.get(), small_.get(), large_.get()}) {
        ASSERT_TRUE(activate(*app)) << app->options().title;
        EXPECT_TRUE(witness_->focusIn(app->windowId())) << "the keyboard goes there";
        EXPECT_TRUE(eventually([&] {
            return focusedWindowTitle(*service_, app->pid()) == app->options().title;
        })) << "the application reports its window focused";
        const TestApplication* other = app == large_.get() ? small_.get() : large_.get();
        EXPECT_TRUE(eventually([&] { return focusedWindowTitle(*service_, other->pid()).empty(); }))
            << "and the other application none";
        auto front = platform().workspace.frontmostApplication();
        ASSERT_TRUE(front);
        EXPECT_TRUE(front->isActive);
    }
}

TEST_F(Foreground, RaisingAWindowActivatesItThroughTheWindowManager) {
    ASSERT_TRUE(activate(*large_));
    auto window = windowElement(*small_);
    ASSERT_FALSE(window.isNull());
    auto names = service_->copyActionNames(window);
    ASSERT_TRUE(names.ok());
    EXPECT_NE(std::find(names.value.begin(), names.value.end(), "AXRaise"), names.value.end());
    auto button = element(*small_, "AXButton", "Trykk meg");
    ASSERT_TRUE(button);
    auto buttonNames = service_->copyActionNames(button->element);
    EXPECT_EQ(std::find(buttonNames.value.begin(), buttonNames.value.end(), "AXRaise"),
              buttonNames.value.end())
        << "only windows are raised";
    EXPECT_EQ(service_->performAction(button->element, "AXRaise"), ax::actionUnsupported);
    auto reader = service_->observationReader(window);
    ASSERT_TRUE(reader);
    auto reads = reader->read({window, button->element}, [] { return true; });
    ASSERT_EQ(reads.size(), 2U);
    EXPECT_EQ(reads[0].actions.value, std::vector<std::string>{"AXRaise"})
        << "an observation offers what the window's own action list does";
    EXPECT_EQ(std::count(reads[1].actions.value.begin(), reads[1].actions.value.end(), "AXRaise"),
              0);

    EXPECT_EQ(service_->performAction(window, "AXRaise"), ax::success);
    EXPECT_EQ(witness_->activeWindow(), small_->windowId());
    EXPECT_TRUE(eventually([&] { return witness_->focusIn(small_->windowId()); }));
    EXPECT_TRUE(eventually(
        [&] { return focusedWindowTitle(*service_, small_->pid()) == small_->options().title; }));
    auto front = platform().workspace.frontmostApplication();
    ASSERT_TRUE(front);
    EXPECT_EQ(front->processIdentifier, small_->pid());
}

TEST_F(Foreground, TheWindowAndElementAtAPointAreTheApplicationsOwn) {
    ASSERT_TRUE(activate(*large_));
    auto button = element(*large_, "AXButton", "Trykk meg");
    ASSERT_TRUE(button);
    auto frame = frameOf(*service_, button->element);
    ASSERT_TRUE(frame);
    const Point centre = frame->midPoint();

    auto window = windowAt(centre);
    ASSERT_TRUE(window);
    EXPECT_EQ((*window)["kCGWindowNumber"], large_->windowId());
    EXPECT_EQ((*window)["kCGWindowOwnerPID"], large_->pid());

    auto hit = elementAt(centre);
    ASSERT_TRUE(hit.ok()) << hit.status;
    EXPECT_TRUE(service_->equal(hit.value, button->element))
        << textOf(*service_, hit.value, "AXRole").value_or("?");
    auto pid = service_->getPid(hit.value);
    ASSERT_TRUE(pid.ok());
    EXPECT_EQ(pid.value, large_->pid());
    EXPECT_TRUE(service_->equal(windowOf(*service_, hit.value), windowElement(*large_)));

    auto password = element(*large_, "AXTextField", "Passord");
    ASSERT_TRUE(password);
    auto onPassword = elementAt(frameOf(*service_, password->element)->midPoint());
    ASSERT_TRUE(onPassword.ok());
    EXPECT_EQ(textOf(*service_, onPassword.value, "AXSubrole"), "AXSecureTextField");

    auto desktop = elementAt(Point{1915, 1075});
    EXPECT_FALSE(desktop.ok()) << "no window there";
}

TEST_F(Foreground, ADialogOfTheSameApplicationCoversThePoint) {
    ASSERT_TRUE(activate(*large_));
    const Point point = large_->patch().midPoint();
    ASSERT_TRUE(large_->command("dialog " + std::to_string(static_cast<int>(point.x) - 60) + " " +
                                std::to_string(static_cast<int>(point.y) - 40)));
    std::optional<Json> window;
    ASSERT_TRUE(eventually([&] {
        window = windowAt(point);
        return window && (*window)["kCGWindowNumber"] != large_->windowId();
    })) << "the dialog is in front at the point";
    EXPECT_EQ((*window)["kCGWindowOwnerPID"], large_->pid());
    EXPECT_EQ((*window)["kCGWindowLayer"], 0);

    auto hit = elementAt(point);
    ASSERT_TRUE(hit.ok()) << hit.status;
    auto hitWindow = windowOf(*service_, hit.value);
    EXPECT_EQ(titleOf(*service_, hitWindow), "Innstillinger");
    EXPECT_FALSE(service_->equal(hitWindow, windowElement(*large_)));
}

TEST_F(Foreground, AMenuOfTheSameApplicationCoversThePoint) {
    ASSERT_TRUE(activate(*large_));
    const Point corner = large_->patch().origin;
    ASSERT_TRUE(large_->command("menu " + std::to_string(static_cast<int>(corner.x)) + " " +
                                std::to_string(static_cast<int>(corner.y))));
    const Point point{corner.x + 20, corner.y + 10};
    std::optional<Json> window;
    ASSERT_TRUE(eventually([&] {
        window = windowAt(point);
        return window && (*window)["kCGWindowNumber"] != large_->windowId();
    })) << "the menu, a pop-up the window manager does not manage, is in front";
    EXPECT_EQ((*window)["kCGWindowOwnerPID"], large_->pid());
    EXPECT_GT((*window)["kCGWindowLayer"].get<int>(), 0);

    auto hit = elementAt(point);
    ASSERT_TRUE(hit.ok()) << hit.status;
    const auto role = textOf(*service_, hit.value, "AXRole").value_or("");
    EXPECT_TRUE(role == "AXMenuItem" || role == "AXMenu") << role;
    EXPECT_FALSE(service_->equal(windowOf(*service_, hit.value), windowElement(*large_)));

    ASSERT_TRUE(large_->command("close"));
    EXPECT_TRUE(eventually([&] {
        auto after = windowAt(point);
        return after && (*after)["kCGWindowNumber"] == large_->windowId();
    })) << "gone with the menu";
}

TEST_F(Foreground, AnotherApplicationsDialogCoversThePoint) {
    ASSERT_TRUE(activate(*large_));
    auto zenity = RunningApp::start(*service_, "/usr/bin/zenity",
                                    {"--info", "--title", "Melding", "--text", "Hei"}, "Melding");
    ASSERT_TRUE(zenity);
    std::optional<Json> dialog;
    ASSERT_TRUE(eventually([&] {
        auto list = platform().windowServer.copyWindowInfo(platform::windowlist::onScreenOnly, 0);
        for (const auto& window : *list) {
            if (window.value("kCGWindowOwnerPID", 0) == zenity->pid()) {
                dialog = window;
                return true;
            }
        }
        return false;
    }));
    const auto& bounds = (*dialog)["kCGWindowBounds"];
    const Point centre{bounds["X"].get<double>() + bounds["Width"].get<double>() / 2,
                       bounds["Y"].get<double>() + bounds["Height"].get<double>() / 2};
    ASSERT_TRUE(large_->frame().contains(centre)) << "the dialog lies over the large window";

    auto window = windowAt(centre);
    ASSERT_TRUE(window);
    EXPECT_EQ((*window)["kCGWindowOwnerPID"], zenity->pid());
    auto hit = elementAt(centre);
    ASSERT_TRUE(hit.ok()) << hit.status;
    auto pid = service_->getPid(hit.value);
    ASSERT_TRUE(pid.ok());
    EXPECT_EQ(pid.value, zenity->pid());
    EXPECT_TRUE(service_->equal(windowOf(*service_, hit.value), zenity->window()));
}

TEST_F(Foreground, AFocusedPasswordFieldReadsAsSecureEntry) {
    auto probe = linuxdesktop::SecureInputProbe::open(options_->display, *service_);
    ASSERT_TRUE(probe);
    ASSERT_TRUE(activate(*large_));
    ASSERT_TRUE(large_->command("focus password"));
    EXPECT_TRUE(eventually([&] { return probe->secureEntryLikely(); }));
    EXPECT_TRUE(platform().events.isSecureEventInputEnabled());
    ASSERT_TRUE(large_->command("focus entry"));
    EXPECT_TRUE(eventually([&] { return !probe->secureEntryLikely(); }));
    EXPECT_FALSE(platform().events.isSecureEventInputEnabled());

    ASSERT_TRUE(large_->command("focus password"));
    ASSERT_TRUE(eventually([&] { return probe->focusedElementIsPassword(); }));
    ASSERT_TRUE(activate(*small_));
    EXPECT_TRUE(eventually([&] { return !probe->focusedElementIsPassword(); }))
        << "a password field in a window without the keyboard does not read the keyboard";
    ASSERT_TRUE(large_->command("focus entry"));
}

TEST_F(Foreground, AnotherClientsKeyboardGrabReadsAsSecureEntry) {
    auto probe = linuxdesktop::SecureInputProbe::open(options_->display, *service_);
    ASSERT_TRUE(probe);
    ASSERT_TRUE(activate(*large_));
    EXPECT_FALSE(probe->keyboardGrabbedElsewhere());
    Display* prompt = witness_->display();
    ASSERT_EQ(XGrabKeyboard(prompt, DefaultRootWindow(prompt), False, GrabModeAsync, GrabModeAsync,
                            CurrentTime),
              GrabSuccess);
    XSync(prompt, False);
    EXPECT_TRUE(probe->keyboardGrabbedElsewhere());
    EXPECT_TRUE(probe->secureEntryLikely());
    XUngrabKeyboard(prompt, CurrentTime);
    XSync(prompt, False);
    EXPECT_FALSE(probe->keyboardGrabbedElsewhere());
}

TEST_F(Foreground, TheApplicationsOwnMenuGrabIsNotSecureEntry) {
    auto probe = linuxdesktop::SecureInputProbe::open(options_->display, *service_);
    ASSERT_TRUE(probe);
    ASSERT_TRUE(activate(*large_));
    const Point corner = large_->patch().origin;
    ASSERT_TRUE(large_->command("menu " + std::to_string(static_cast<int>(corner.x)) + " " +
                                std::to_string(static_cast<int>(corner.y))));
    Display* other = witness_->display();
    ASSERT_TRUE(eventually([&] {
        const int result = XGrabKeyboard(other, DefaultRootWindow(other), False, GrabModeAsync,
                                         GrabModeAsync, CurrentTime);
        if (result == GrabSuccess) {
            XUngrabKeyboard(other, CurrentTime);
            XSync(other, False);
        }
        return result == AlreadyGrabbed;
    })) << "GTK holds the keyboard while its menu is open";
    EXPECT_FALSE(probe->keyboardGrabbedElsewhere());
    ASSERT_TRUE(large_->command("close"));
}

TEST_F(Foreground, ProbesAtOnceNeverTakeEachOthersGrabForAnotherClients) {
    auto probe = linuxdesktop::SecureInputProbe::open(options_->display, *service_);
    ASSERT_TRUE(probe);
    ASSERT_TRUE(activate(*large_));
    std::atomic<int> grabbed{0};
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread) {
        threads.emplace_back([&] {
            for (int round = 0; round < 100; ++round) {
                grabbed += probe->keyboardGrabbedElsewhere() ? 1 : 0;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(grabbed, 0);
    EXPECT_FALSE(probe->keyboardGrabbedElsewhere()) << "and the last probe let its grab go";
    Display* other = witness_->display();
    const int result = XGrabKeyboard(other, DefaultRootWindow(other), False, GrabModeAsync,
                                     GrabModeAsync, CurrentTime);
    EXPECT_EQ(result, GrabSuccess) << "nothing is left held";
    XUngrabKeyboard(other, CurrentTime);
    XSync(other, False);
}

TEST_F(Foreground, ProbingForAGrabMovesNoFocus) {
    auto probe = linuxdesktop::SecureInputProbe::open(options_->display, *service_);
    ASSERT_TRUE(probe);
    ASSERT_TRUE(activate(*large_));
    Display* watcher = witness_->display();
    XSelectInput(watcher, large_->windowId(), FocusChangeMask);
    XSync(watcher, False);
    for (int round = 0; round < 20; ++round) {
        ASSERT_FALSE(probe->keyboardGrabbedElsewhere());
    }
    XSync(watcher, False);
    int focusEvents = 0;
    XEvent event;
    while (XCheckTypedWindowEvent(watcher, large_->windowId(), FocusOut, &event) ||
           XCheckTypedWindowEvent(watcher, large_->windowId(), FocusIn, &event)) {
        ++focusEvents;
    }
    XSelectInput(watcher, large_->windowId(), NoEventMask);
    EXPECT_EQ(focusEvents, 0) << "the application never saw its focus go";
    EXPECT_TRUE(witness_->focusIn(large_->windowId()));
}

} // namespace
} // namespace orvel::testing::foreground
