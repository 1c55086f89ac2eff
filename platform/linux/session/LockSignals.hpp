// Watches the two lock sources for changes on the main loop and turns them into the lock and
// unlock notifications: the screensaver's ActiveChanged on the session bus, and the
// PropertiesChanged of this process's logind session when it carries LockedHint. Only the
// services' current owners are listened to, so another client cannot fake a signal.
//
// Built before the main loop runs (it resolves the session and installs its matches with
// bounded calls); from then on its connections belong to the loop's thread. A source that is
// not there when it is built is not watched: the lock state read at each check still sees it.
#pragma once

#include "platform/linux/loop/LinuxMainLoop.hpp"
#include "platform/linux/session/ServiceConnection.hpp"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace orvel::linuxdesktop {

class LockSignals {
  public:
    // `notify(locked)` runs on the loop for every change either source announces.
    using Notify = std::function<void(bool locked)>;

    LockSignals(LinuxMainLoop& loop, const std::string& sessionBusAddress,
                const std::string& systemBusAddress, std::int32_t ownPid,
                std::chrono::milliseconds callTimeout, Notify notify);
    ~LockSignals();
    LockSignals(const LockSignals&) = delete;
    LockSignals& operator=(const LockSignals&) = delete;

  private:
    static int onActiveChanged(sd_bus_message* message, void* self, sd_bus_error* error);
    static int onSessionChanged(sd_bus_message* message, void* self, sd_bus_error* error);
    void watchScreensaver(LinuxMainLoop& loop, const std::string& address,
                          std::chrono::milliseconds callTimeout);
    void watchSession(LinuxMainLoop& loop, const std::string& address, std::int32_t ownPid,
                      std::chrono::milliseconds callTimeout);

    Notify notify_;
    std::unique_ptr<ServiceConnection> sessionBus_;
    std::unique_ptr<ServiceConnection> systemBus_;
    sd_bus_slot* screensaverMatch_ = nullptr;
    sd_bus_slot* sessionMatch_ = nullptr;
};

} // namespace orvel::linuxdesktop
