// The event system: the program's event source, creating and posting synthetic events, the
// pointer location, the listen-only event tap and secure keyboard entry.
//
// Creating and posting are safe from any thread. The tap's callback runs on the main loop for
// every event of the tap's mask (the program's own posted events included) and for the
// tap-disabled notices; it must not block. `awaitTapDelivery` waits for the main loop and must
// never be called on it.
#pragma once

#include "platform/Event.hpp"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace orvel::platform {

namespace eventsource {
inline constexpr std::int32_t hidSystemState = 1;
} // namespace eventsource

namespace eventtap {
inline constexpr std::uint32_t hidLocation = 0;     // where the program posts
inline constexpr std::uint32_t sessionLocation = 1; // where the listener taps
inline constexpr std::uint32_t headInsert = 0;
inline constexpr std::uint32_t listenOnly = 1;
} // namespace eventtap

namespace scrollunit {
inline constexpr std::uint32_t pixel = 0;
} // namespace scrollunit

// Opaque identities of platform objects; 0 never names one.
struct EventSourceRef {
    std::uint64_t id = 0;
};
struct EventTapRef {
    std::uint64_t id = 0;
};
struct RunLoopSourceRef {
    std::uint64_t id = 0;
};

class EventSystem {
  public:
    using TapCallback = std::function<void(std::uint32_t type, const Event& event)>;

    virtual ~EventSystem() = default;

    // CGEventSourceCreate and CGEventSourceSetUserData.
    virtual std::optional<EventSourceRef> createSource(std::int32_t stateId) = 0;
    virtual void setSourceUserData(EventSourceRef source, std::int64_t userData) = 0;

    // CGEventCreateMouseEvent, CGEventCreateKeyboardEvent and CGEventCreateScrollWheelEvent2;
    // without a source the event carries user data 0.
    virtual std::optional<Event> createMouseEvent(std::optional<EventSourceRef> source,
                                                  std::uint32_t type, Point location,
                                                  std::uint32_t button) = 0;
    virtual std::optional<Event> createKeyboardEvent(std::optional<EventSourceRef> source,
                                                     std::uint16_t keyCode, bool keyDown) = 0;
    virtual std::optional<Event> createScrollWheelEvent(std::optional<EventSourceRef> source,
                                                        std::uint32_t units,
                                                        std::uint32_t wheelCount,
                                                        std::int32_t wheel1, std::int32_t wheel2,
                                                        std::int32_t wheel3) = 0;

    // CGEventPost.
    virtual void post(const Event& event, std::uint32_t tapLocation) = 0;

    // Returns true once every event that reached the desktop before the call has been handed to
    // the listening taps and their callbacks have run, so that the takeover listener has judged
    // each of them; false when that was not confirmed within `bound`, and the caller must then
    // act as if it could not see the user. On a desktop whose taps are served in order on the
    // main loop, one bounded round trip through the loop does it; where the listener reads a
    // connection of its own, that connection is synchronised first.
    virtual bool awaitTapDelivery(std::chrono::milliseconds bound) = 0;

    // CGEventCreate without a source, then CGEventGetLocation; absent when no event could be
    // created.
    virtual std::optional<Point> currentPointerLocation() = 0;

    // CGEventTapCreate; absent when the tap cannot be created.
    virtual std::optional<EventTapRef> createTap(std::uint32_t location, std::uint32_t placement,
                                                 std::uint32_t options,
                                                 std::uint64_t eventsOfInterest,
                                                 TapCallback callback) = 0;
    // CFMachPortCreateRunLoopSource, CFRunLoopAddSource / CFRunLoopRemoveSource on the main
    // run loop in the common modes.
    virtual std::optional<RunLoopSourceRef> createRunLoopSource(EventTapRef tap) = 0;
    virtual void addSourceToMainRunLoop(RunLoopSourceRef source) = 0;
    virtual void removeSourceFromMainRunLoop(RunLoopSourceRef source) = 0;
    // CGEventTapEnable and CGEventTapIsEnabled.
    virtual void enableTap(EventTapRef tap, bool enable) = 0;
    virtual bool isTapEnabled(EventTapRef tap) = 0;

    // IsSecureEventInputEnabled.
    virtual bool isSecureEventInputEnabled() = 0;
};

} // namespace orvel::platform
