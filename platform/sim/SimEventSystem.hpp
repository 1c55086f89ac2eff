// The event system of the simulated desktop: event sources and their user data, creating and
// posting events, the pointer, the event taps and secure keyboard entry.
//
// Safe to call from any thread. `post` is called while the program holds locks of its own, so
// it never calls back into the program: the tap sees the event later, on the main loop. The
// script steps waiting for a posted event run inside `post`. Tap deliveries reach the main loop
// in the order the desktop saw the events, so `awaitTapDelivery` is one round trip through it.
#pragma once

#include "platform/EventSystem.hpp"
#include "platform/sim/DesktopCore.hpp"

namespace orvel::sim {

class SimEventSystem final : public platform::EventSystem {
  public:
    explicit SimEventSystem(DesktopCore& core) : core_(core) {}

    std::optional<platform::EventSourceRef> createSource(std::int32_t stateId) override;
    void setSourceUserData(platform::EventSourceRef source, std::int64_t userData) override;
    std::optional<platform::Event> createMouseEvent(std::optional<platform::EventSourceRef> source,
                                                    std::uint32_t type, Point location,
                                                    std::uint32_t button) override;
    std::optional<platform::Event>
    createKeyboardEvent(std::optional<platform::EventSourceRef> source, std::uint16_t keyCode,
                        bool keyDown) override;
    std::optional<platform::Event>
    createScrollWheelEvent(std::optional<platform::EventSourceRef> source, std::uint32_t units,
                           std::uint32_t wheelCount, std::int32_t wheel1, std::int32_t wheel2,
                           std::int32_t wheel3) override;
    void post(const platform::Event& event, std::uint32_t tapLocation) override;
    bool awaitTapDelivery(std::chrono::milliseconds bound) override;
    std::optional<Point> currentPointerLocation() override;
    std::optional<platform::EventTapRef> createTap(std::uint32_t location, std::uint32_t placement,
                                                   std::uint32_t options,
                                                   std::uint64_t eventsOfInterest,
                                                   TapCallback callback) override;
    std::optional<platform::RunLoopSourceRef>
    createRunLoopSource(platform::EventTapRef tap) override;
    void addSourceToMainRunLoop(platform::RunLoopSourceRef source) override;
    void removeSourceFromMainRunLoop(platform::RunLoopSourceRef source) override;
    void enableTap(platform::EventTapRef tap, bool enable) override;
    bool isTapEnabled(platform::EventTapRef tap) override;
    bool isSecureEventInputEnabled() override;

  private:
    // Whether the scenario makes this request to create an event of `type` fail; counts it.
    bool refusesCreation(std::uint32_t type);
    // A new event of `type` carrying the user data of `source` (0 without one), at the pointer.
    platform::Event eventFrom(std::optional<platform::EventSourceRef> source, std::uint32_t type);

    DesktopCore& core_;
};

} // namespace orvel::sim
