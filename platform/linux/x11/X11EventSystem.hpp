// The event system of the X11 desktop, for now without input synthesis and without a
// takeover tap: no event source or event can be created and no tap installed, so the
// takeover listener reports itself inactive and every pointer or key action is refused before
// anything is posted; with no tap, no delivery to one is ever confirmed. The pointer location
// is the server's. Secure keyboard entry is what the secure-input probe makes of the desktop
// (see SecureInputProbe). Safe from any thread.
#pragma once

#include "platform/EventSystem.hpp"
#include "platform/linux/x11/SecureInputProbe.hpp"
#include "platform/linux/x11/X11Connection.hpp"

namespace orvel::linuxdesktop {

class X11EventSystem final : public platform::EventSystem {
  public:
    X11EventSystem(const X11Connection& shared, SecureInputProbe& secureInput);

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
    const X11Connection& shared_;
    SecureInputProbe& secureInput_;
};

} // namespace orvel::linuxdesktop
