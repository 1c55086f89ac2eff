#include "platform/linux/session/LockSignals.hpp"

#include "platform/linux/session/LockServiceNames.hpp"

#include <cstring>

namespace orvel::linuxdesktop {

namespace {

// The LockedHint of a PropertiesChanged(s interface, a{sv} changed, as invalidated) signal.
std::optional<bool> changedLockedHint(sd_bus_message* message) {
    const char* interface = nullptr;
    if (sd_bus_message_read(message, "s", &interface) < 0 ||
        std::strcmp(interface, logind::sessionInterface) != 0 ||
        sd_bus_message_enter_container(message, SD_BUS_TYPE_ARRAY, "{sv}") < 0) {
        return std::nullopt;
    }
    std::optional<bool> hint;
    while (sd_bus_message_enter_container(message, SD_BUS_TYPE_DICT_ENTRY, "sv") > 0) {
        const char* name = nullptr;
        if (sd_bus_message_read(message, "s", &name) < 0) {
            return std::nullopt;
        }
        int flag = 0;
        if (std::strcmp(name, "LockedHint") == 0 &&
            sd_bus_message_read(message, "v", "b", &flag) >= 0) {
            hint = flag != 0;
        } else if (sd_bus_message_skip(message, "v") < 0) {
            return std::nullopt;
        }
        if (sd_bus_message_exit_container(message) < 0) {
            return std::nullopt;
        }
    }
    return hint;
}

} // namespace

LockSignals::LockSignals(LinuxMainLoop& loop, const std::string& sessionBusAddress,
                         const std::string& systemBusAddress, std::int32_t ownPid,
                         std::chrono::milliseconds callTimeout, Notify notify)
    : notify_(std::move(notify)) {
    watchScreensaver(loop, sessionBusAddress, callTimeout);
    watchSession(loop, systemBusAddress, ownPid, callTimeout);
}

LockSignals::~LockSignals() {
    sd_bus_slot_unref(screensaverMatch_);
    sd_bus_slot_unref(sessionMatch_);
}

void LockSignals::watchScreensaver(LinuxMainLoop& loop, const std::string& address,
                                   std::chrono::milliseconds callTimeout) {
    sessionBus_ = ServiceConnection::connect(address, callTimeout);
    if (!sessionBus_ || !loop.attachBus(sessionBus_->bus())) {
        sessionBus_.reset();
        return;
    }
    sd_bus_match_signal(sessionBus_->bus(), &screensaverMatch_, screensaver::service, nullptr,
                        screensaver::interface, "ActiveChanged", onActiveChanged, this);
}

void LockSignals::watchSession(LinuxMainLoop& loop, const std::string& address, std::int32_t ownPid,
                               std::chrono::milliseconds callTimeout) {
    systemBus_ = ServiceConnection::connect(address, callTimeout);
    if (!systemBus_) {
        return;
    }
    auto session =
        callMethod(*systemBus_, logind::service, logind::managerPath, logind::managerInterface,
                   "GetSessionByPID", [ownPid](sd_bus_message* call) {
                       return sd_bus_message_append(call, "u", static_cast<std::uint32_t>(ownPid));
                   });
    const char* path = nullptr;
    if (!session.ok() || sd_bus_message_read(session.message, "o", &path) < 0 ||
        !loop.attachBus(systemBus_->bus())) {
        systemBus_.reset();
        return;
    }
    sd_bus_match_signal(systemBus_->bus(), &sessionMatch_, logind::service, path,
                        "org.freedesktop.DBus.Properties", "PropertiesChanged", onSessionChanged,
                        this);
}

int LockSignals::onActiveChanged(sd_bus_message* message, void* self, sd_bus_error*) {
    int active = 0;
    if (sd_bus_message_read(message, "b", &active) >= 0) {
        static_cast<LockSignals*>(self)->notify_(active != 0);
    }
    return 0;
}

int LockSignals::onSessionChanged(sd_bus_message* message, void* self, sd_bus_error*) {
    if (auto hint = changedLockedHint(message)) {
        static_cast<LockSignals*>(self)->notify_(*hint);
    }
    return 0;
}

} // namespace orvel::linuxdesktop
