// The event system of the X11 desktop. Events are values until posted; posting sends them
// through XTest on a connection of the poster's own (see XTestPoster), marked with their
// source's user data in the book of posted events. The tap is the XInput2 raw-event listener
// (see RawInputTap) on a connection the main loop serves; with it, `awaitTapDelivery` first
// waits for the server to have handled every request of the poster, then for the loop to have
// read and judged every raw event the server sent the listener, until each posted event has come
// back. The pointer location is the server's. Secure keyboard entry is what the secure-input
// probe makes of the desktop (see SecureInputProbe).
//
// Safe from any thread, except `createTap` and the run-loop calls, which belong to the main
// loop's thread (where the engine installs its listener).
#pragma once

#include "platform/EventSystem.hpp"
#include "platform/linux/input/PostedEventBook.hpp"
#include "platform/linux/input/RawInputTap.hpp"
#include "platform/linux/input/XTestPoster.hpp"
#include "platform/linux/loop/LinuxMainLoop.hpp"
#include "platform/linux/x11/SecureInputProbe.hpp"
#include "platform/linux/x11/X11Connection.hpp"

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace orvel::linuxdesktop {

class X11EventSystem final : public platform::EventSystem {
  public:
    // `shared` is the connection of the services that only make requests; the poster and the
    // tap open their own on `displayName`; `secureInput` answers for secure keyboard entry.
    X11EventSystem(LinuxMainLoop& loop, const X11Connection& shared, const std::string& displayName,
                   SecureInputProbe& secureInput);
    ~X11EventSystem() override;

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

    // Gives the keycodes lent to typed characters back to the keymap before the process ends
    // (bounded by the time a keycode needs to settle).
    void restoreKeymap();

  private:
    std::optional<platform::Event> eventFrom(std::optional<platform::EventSourceRef> source,
                                             std::uint32_t type);
    RawInputTap* installedTap(platform::EventTapRef tap);
    // One round trip through the loop; the number of posted events still to come back, or
    // absent when the loop did not answer by `deadline`.
    std::optional<std::size_t> settleOnLoop(std::chrono::steady_clock::time_point deadline);

    static constexpr std::uint64_t tapId = 1;

    LinuxMainLoop& loop_;
    const X11Connection& shared_;
    SecureInputProbe& secureInput_;
    const std::string displayName_;
    PostedEventBook book_;
    const std::unique_ptr<XTestPoster> poster_;

    std::mutex mutex_;
    std::map<std::uint64_t, std::int64_t> sourceUserData_; // guarded by mutex_
    std::uint64_t nextSource_ = 1;                         // guarded by mutex_
    std::unique_ptr<RawInputTap> tap_;                     // guarded by mutex_; never replaced
};

} // namespace orvel::linuxdesktop
