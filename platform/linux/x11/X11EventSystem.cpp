#include "platform/linux/x11/X11EventSystem.hpp"

#include "platform/linux/input/KeySymbols.hpp"

#include <future>
#include <thread>

namespace orvel::linuxdesktop {

namespace {

using namespace std::chrono_literals;

// Between two looks at whether the posted events have come back to the listener.
constexpr auto settlePause = 1ms;

} // namespace

X11EventSystem::X11EventSystem(LinuxMainLoop& loop, const X11Connection& shared,
                               const std::string& displayName, SecureInputProbe& secureInput)
    : loop_(loop), shared_(shared), secureInput_(secureInput), displayName_(displayName),
      poster_(XTestPoster::open(displayName, book_)) {}

// The tap goes first: it stops the book, so that the poster's last releases are not booked.
X11EventSystem::~X11EventSystem() {
    std::lock_guard lock(mutex_);
    tap_.reset();
}

std::optional<platform::EventSourceRef> X11EventSystem::createSource(std::int32_t) {
    if (!poster_) {
        return std::nullopt;
    }
    std::lock_guard lock(mutex_);
    const auto id = nextSource_++;
    sourceUserData_[id] = 0;
    return platform::EventSourceRef{id};
}

void X11EventSystem::setSourceUserData(platform::EventSourceRef source, std::int64_t userData) {
    std::lock_guard lock(mutex_);
    if (auto found = sourceUserData_.find(source.id); found != sourceUserData_.end()) {
        found->second = userData;
    }
}

std::optional<platform::Event>
X11EventSystem::eventFrom(std::optional<platform::EventSourceRef> source, std::uint32_t type) {
    if (!poster_) {
        return std::nullopt;
    }
    platform::Event event;
    event.type = type;
    std::int64_t userData = 0;
    if (source) {
        std::lock_guard lock(mutex_);
        if (auto found = sourceUserData_.find(source->id); found != sourceUserData_.end()) {
            userData = found->second;
        }
    }
    event.setIntegerValueField(platform::eventfield::eventSourceUserData, userData);
    return event;
}

std::optional<platform::Event>
X11EventSystem::createMouseEvent(std::optional<platform::EventSourceRef> source, std::uint32_t type,
                                 Point location, std::uint32_t button) {
    auto event = eventFrom(source, type);
    if (event) {
        event->location = location;
        event->mouseButton = button;
    }
    return event;
}

// A key the X server cannot be asked for has no event.
std::optional<platform::Event>
X11EventSystem::createKeyboardEvent(std::optional<platform::EventSourceRef> source,
                                    std::uint16_t keyCode, bool keyDown) {
    if (!keysymForVirtualKey(keyCode)) {
        return std::nullopt;
    }
    auto event =
        eventFrom(source, keyDown ? platform::eventtype::keyDown : platform::eventtype::keyUp);
    if (event) {
        event->keyCode = keyCode;
    }
    return event;
}

std::optional<platform::Event>
X11EventSystem::createScrollWheelEvent(std::optional<platform::EventSourceRef> source,
                                       std::uint32_t, std::uint32_t wheelCount, std::int32_t wheel1,
                                       std::int32_t wheel2, std::int32_t wheel3) {
    auto event = eventFrom(source, platform::eventtype::scrollWheel);
    if (event) {
        event->wheel1 = wheel1;
        event->wheel2 = wheelCount >= 2 ? wheel2 : 0;
        event->wheel3 = wheelCount >= 3 ? wheel3 : 0;
    }
    return event;
}

void X11EventSystem::post(const platform::Event& event, std::uint32_t) {
    if (poster_) {
        poster_->post(event);
    }
}

bool X11EventSystem::awaitTapDelivery(std::chrono::milliseconds bound) {
    if (loop_.isMainThread() || !poster_) {
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        if (!tap_ || !tap_->enabled()) {
            return false;
        }
    }
    const auto deadline = std::chrono::steady_clock::now() + bound;
    poster_->sync();
    while (true) {
        const auto pending = settleOnLoop(deadline);
        if (pending && *pending == 0) {
            return true;
        }
        if (!pending || std::chrono::steady_clock::now() + settlePause >= deadline) {
            // What has not come back by now will not be told from the user's reliably.
            book_.clear();
            return false;
        }
        std::this_thread::sleep_for(settlePause);
    }
}

std::optional<std::size_t>
X11EventSystem::settleOnLoop(std::chrono::steady_clock::time_point deadline) {
    // The job may run after the wait gave up, so it owns what it touches; the tap lives as long
    // as this object, which outlives the running loop.
    auto reached = std::make_shared<std::promise<std::size_t>>();
    auto answer = reached->get_future();
    RawInputTap* tap = nullptr;
    {
        std::lock_guard lock(mutex_);
        tap = tap_.get();
    }
    loop_.post([tap, reached] { reached->set_value(tap->settle()); });
    if (answer.wait_until(deadline) != std::future_status::ready) {
        return std::nullopt;
    }
    return answer.get();
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

// One tap per desktop: the engine installs one listener.
std::optional<platform::EventTapRef> X11EventSystem::createTap(std::uint32_t, std::uint32_t,
                                                               std::uint32_t,
                                                               std::uint64_t eventsOfInterest,
                                                               TapCallback callback) {
    if (!loop_.isMainThread()) {
        return std::nullopt;
    }
    std::lock_guard lock(mutex_);
    if (tap_) {
        return std::nullopt;
    }
    tap_ = RawInputTap::open(displayName_, book_, eventsOfInterest, std::move(callback));
    if (!tap_) {
        return std::nullopt;
    }
    return platform::EventTapRef{tapId};
}

RawInputTap* X11EventSystem::installedTap(platform::EventTapRef tap) {
    std::lock_guard lock(mutex_);
    return tap.id == tapId ? tap_.get() : nullptr;
}

std::optional<platform::RunLoopSourceRef>
X11EventSystem::createRunLoopSource(platform::EventTapRef tap) {
    if (installedTap(tap) == nullptr) {
        return std::nullopt;
    }
    return platform::RunLoopSourceRef{tap.id};
}

void X11EventSystem::addSourceToMainRunLoop(platform::RunLoopSourceRef source) {
    if (auto* tap = installedTap(platform::EventTapRef{source.id}); tap && loop_.isMainThread()) {
        tap->attach(loop_);
    }
}

void X11EventSystem::removeSourceFromMainRunLoop(platform::RunLoopSourceRef source) {
    if (auto* tap = installedTap(platform::EventTapRef{source.id}); tap && loop_.isMainThread()) {
        tap->detach();
    }
}

void X11EventSystem::enableTap(platform::EventTapRef tap, bool enable) {
    if (auto* installed = installedTap(tap); installed && loop_.isMainThread()) {
        installed->enable(enable);
    }
}

bool X11EventSystem::isTapEnabled(platform::EventTapRef tap) {
    auto* installed = installedTap(tap);
    return installed != nullptr && installed->enabled();
}

bool X11EventSystem::isSecureEventInputEnabled() {
    return secureInput_.secureEntryLikely();
}

void X11EventSystem::restoreKeymap() {
    if (poster_) {
        poster_->restoreKeymap(XTestPoster::Timing{}.settle);
    }
}

} // namespace orvel::linuxdesktop
