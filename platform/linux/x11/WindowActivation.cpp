#include "platform/linux/x11/WindowActivation.hpp"

#include "platform/linux/x11/WindowList.hpp"

#include <thread>

namespace orvel::linuxdesktop {

namespace {

constexpr long pagerSource = 2;
constexpr auto pollInterval = std::chrono::milliseconds(10);

void sendActiveWindowMessage(const X11Connection& x, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = x.atoms().activeWindow;
    event.xclient.format = 32;
    event.xclient.data.l[0] = pagerSource;
    event.xclient.data.l[1] = CurrentTime;
    event.xclient.data.l[2] = 0;
    XSendEvent(x.display(), x.root(), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &event);
}

} // namespace

void requestActivation(const X11Connection& x, Window window) {
    if (hasWindowManager(x)) {
        sendActiveWindowMessage(x, window);
    } else {
        XRaiseWindow(x.display(), window);
        XSetInputFocus(x.display(), window, RevertToParent, CurrentTime);
    }
    XFlush(x.display());
}

bool awaitActive(const X11Connection& x, Window window, std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        auto active = activeWindow(x);
        if (active && *active == window) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(pollInterval);
    }
}

} // namespace orvel::linuxdesktop
