#include "platform/linux/x11/X11ScreenWindows.hpp"

#include "platform/linux/x11/ScreenStacking.hpp"
#include "platform/linux/x11/WindowActivation.hpp"

namespace orvel::linuxdesktop {

namespace {

ScreenWindow screenWindow(const WindowFacts& facts) {
    return ScreenWindow{facts.windowId, facts.pid, facts.frame, facts.title};
}

} // namespace

std::unique_ptr<X11ScreenWindows> X11ScreenWindows::open(const std::string& displayName) {
    auto x = X11Connection::open(displayName);
    if (!x) {
        return nullptr;
    }
    return std::unique_ptr<X11ScreenWindows>(new X11ScreenWindows(std::move(x)));
}

std::optional<ScreenWindow> X11ScreenWindows::topmostAt(Point point) {
    for (const auto& window : windowsOnScreen(*x_)) {
        if (window.frame.size.width > 0 && window.frame.size.height > 0 &&
            window.frame.contains(point)) {
            return screenWindow(window);
        }
    }
    return std::nullopt;
}

std::vector<ScreenWindow> X11ScreenWindows::windowsOf(std::int32_t pid) {
    std::vector<ScreenWindow> windows;
    for (const auto& window : windowsOnScreen(*x_)) {
        if (pid > 0 && window.pid == pid) {
            windows.push_back(screenWindow(window));
        }
    }
    return windows;
}

bool X11ScreenWindows::raise(std::uint32_t windowId, std::chrono::milliseconds bound) {
    requestActivation(*x_, windowId);
    return awaitActive(*x_, windowId, bound);
}

} // namespace orvel::linuxdesktop
