// The window server of the X11 desktop: the application windows as window dictionaries, front
// to back (on screen: with the applications' pop-ups, in the server's stacking order), and the
// login-session dictionary synthesised from the lock sources.
//
// Safe to call from any thread: the window list uses a connection shared by request-only
// threads, the session dictionary reads the lock sources afresh on every call.
#pragma once

#include "platform/WindowServer.hpp"
#include "platform/linux/session/SessionLockReader.hpp"
#include "platform/linux/x11/X11Connection.hpp"

namespace orvel::linuxdesktop {

class X11WindowServer final : public platform::WindowServer {
  public:
    X11WindowServer(const X11Connection& x, const SessionLockReader& lockReader,
                    platform::LockSource lockSource);

    std::optional<Json> copyWindowInfo(std::uint32_t options,
                                       std::uint32_t relativeToWindow) override;
    std::optional<Json> copyCurrentSessionDictionary() override;

  private:
    const X11Connection& x_;
    const SessionLockReader& lockReader_;
    platform::LockSource lockSource_;
};

} // namespace orvel::linuxdesktop
