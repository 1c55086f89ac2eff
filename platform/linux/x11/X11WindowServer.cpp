#include "platform/linux/x11/X11WindowServer.hpp"

#include "platform/linux/x11/ScreenStacking.hpp"
#include "platform/linux/x11/WindowList.hpp"

namespace orvel::linuxdesktop {

X11WindowServer::X11WindowServer(const X11Connection& x, const SessionLockReader& lockReader,
                                 platform::LockSource lockSource)
    : x_(x), lockReader_(lockReader), lockSource_(lockSource) {}

std::optional<Json> X11WindowServer::copyWindowInfo(std::uint32_t options, std::uint32_t) {
    const bool onScreenOnly = (options & platform::windowlist::onScreenOnly) != 0;
    const bool excludeDesktop = (options & platform::windowlist::excludeDesktopElements) != 0;
    Json list = Json::array();
    // On screen, the windows are in the server's own stacking order, pop-ups included, so that
    // the front-most window at a point is the one that takes a click there.
    const auto windows = onScreenOnly ? windowsOnScreen(x_) : applicationWindows(x_, false);
    for (const auto& window : windows) {
        if (excludeDesktop && window.kind == WindowKind::desktop) {
            continue;
        }
        list.push_back(windowDictionary(window));
    }
    return list;
}

std::optional<Json> X11WindowServer::copyCurrentSessionDictionary() {
    return sessionDictionary(lockReader_.read(), lockSource_);
}

} // namespace orvel::linuxdesktop
