#include "platform/linux/x11/X11EventSystem.hpp"

namespace orvel::linuxdesktop {

X11EventSystem::X11EventSystem(const X11Connection& shared, SecureInputProbe& secureInput)
    : shared_(shared), secureInput_(secureInput) {}

std::optional<platform::EventSourceRef> X11EventSystem::createSource(std::int32_t) {
    return std::nullopt;
}

void X11EventSystem::setSourceUserData(platform::EventSourceRef, std::int64_t) {}

std::optional<platform::Event>
X11EventSystem::createMouseEvent(std::optional<platform::EventSourceRef>, std::uint32_t, Point,
                                 std::uint32_t) {
    return std::nullopt;
}

std::optional<platform::Event>
X11EventSystem::createKeyboardEvent(std::optional<platform::EventSourceRef>, std::uint16_t, bool) {
    return std::nullopt;
}

std::optional<platform::Event>
X11EventSystem::createScrollWheelEvent(std::optional<platform::EventSourceRef>, std::uint32_t,
                                       std::uint32_t, std::int32_t, std::int32_t, std::int32_t) {
    return std::nullopt;
}

// No event can be created here, so there is never one to post.
void X11EventSystem::post(const platform::Event&, std::uint32_t) {}

// Nothing listens, so nothing can say it saw what reached the desktop: callers act as if they
// could not see the user, as they must.
bool X11EventSystem::awaitTapDelivery(std::chrono::milliseconds) {
    return false;
}

std::optional<Point> X11EventSystem::currentPointerLocation() {
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned int buttons = 0;
    if (XQueryPointer(shared_.display(), shared_.root(), &root, &child, &rootX, &rootY, &windowX,
                      &windowY, &buttons) == 0) {
        // The pointer is on another screen of the display.
        return std::nullopt;
    }
    return Point{static_cast<double>(rootX), static_cast<double>(rootY)};
}

std::optional<platform::EventTapRef>
X11EventSystem::createTap(std::uint32_t, std::uint32_t, std::uint32_t, std::uint64_t, TapCallback) {
    return std::nullopt;
}

std::optional<platform::RunLoopSourceRef>
X11EventSystem::createRunLoopSource(platform::EventTapRef) {
    return std::nullopt;
}

void X11EventSystem::addSourceToMainRunLoop(platform::RunLoopSourceRef) {}

void X11EventSystem::removeSourceFromMainRunLoop(platform::RunLoopSourceRef) {}

void X11EventSystem::enableTap(platform::EventTapRef, bool) {}

bool X11EventSystem::isTapEnabled(platform::EventTapRef) {
    return false;
}

bool X11EventSystem::isSecureEventInputEnabled() {
    return secureInput_.secureEntryLikely();
}

} // namespace orvel::linuxdesktop
