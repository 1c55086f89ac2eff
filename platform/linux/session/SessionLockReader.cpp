#include "platform/linux/session/SessionLockReader.hpp"

#include "platform/linux/session/LockServiceNames.hpp"
#include "platform/linux/session/ServiceConnection.hpp"

#include <cstring>

namespace orvel::linuxdesktop {

namespace {

// Reads the booleans LockedHint and Active out of a Properties.GetAll reply (a{sv}).
struct SessionProperties {
    std::optional<bool> lockedHint;
    std::optional<bool> active;
};

std::optional<SessionProperties> sessionProperties(sd_bus_message* reply) {
    SessionProperties properties;
    if (sd_bus_message_enter_container(reply, SD_BUS_TYPE_ARRAY, "{sv}") < 0) {
        return std::nullopt;
    }
    while (sd_bus_message_enter_container(reply, SD_BUS_TYPE_DICT_ENTRY, "sv") > 0) {
        const char* name = nullptr;
        if (sd_bus_message_read(reply, "s", &name) < 0) {
            return std::nullopt;
        }
        std::optional<bool>* slot = nullptr;
        if (std::strcmp(name, "LockedHint") == 0) {
            slot = &properties.lockedHint;
        } else if (std::strcmp(name, "Active") == 0) {
            slot = &properties.active;
        }
        int flag = 0;
        if (slot != nullptr && sd_bus_message_read(reply, "v", "b", &flag) >= 0) {
            *slot = flag != 0;
        } else if (sd_bus_message_skip(reply, "v") < 0) {
            return std::nullopt;
        }
        if (sd_bus_message_exit_container(reply) < 0) {
            return std::nullopt;
        }
    }
    return properties;
}

SourceState stateOf(bool locked) {
    return locked ? SourceState::locked : SourceState::unlocked;
}

} // namespace

SessionLockReader::SessionLockReader(std::string sessionBusAddress, std::string systemBusAddress,
                                     std::int32_t ownPid, std::chrono::milliseconds callTimeout)
    : sessionBusAddress_(std::move(sessionBusAddress)),
      systemBusAddress_(std::move(systemBusAddress)), ownPid_(ownPid), callTimeout_(callTimeout) {}

LockReadings SessionLockReader::read() const {
    LockReadings readings;
    readings.screensaver = readScreensaver();
    readSession(readings);
    return readings;
}

SourceState SessionLockReader::readScreensaver() const {
    auto bus = ServiceConnection::connect(sessionBusAddress_, callTimeout_);
    if (!bus) {
        return SourceState::absent;
    }
    for (const char* path : screensaver::paths) {
        auto reply =
            callMethod(*bus, screensaver::service, path, screensaver::interface, "GetActive");
        if (reply.serviceMissing()) {
            return SourceState::absent;
        }
        if (!reply.ok()) {
            // Some screensavers serve only one of the two paths.
            if (reply.errorName == "org.freedesktop.DBus.Error.UnknownObject" ||
                reply.errorName == "org.freedesktop.DBus.Error.UnknownMethod") {
                continue;
            }
            return SourceState::failed;
        }
        int active = 0;
        if (sd_bus_message_read(reply.message, "b", &active) < 0) {
            return SourceState::failed;
        }
        return stateOf(active != 0);
    }
    return SourceState::failed;
}

void SessionLockReader::readSession(LockReadings& readings) const {
    auto bus = ServiceConnection::connect(systemBusAddress_, callTimeout_);
    if (!bus) {
        return;
    }
    auto session =
        callMethod(*bus, logind::service, logind::managerPath, logind::managerInterface,
                   "GetSessionByPID", [this](sd_bus_message* call) {
                       return sd_bus_message_append(call, "u", static_cast<std::uint32_t>(ownPid_));
                   });
    if (session.serviceMissing() || session.errorName == logind::noSessionForPid) {
        return;
    }
    const char* path = nullptr;
    if (!session.ok() || sd_bus_message_read(session.message, "o", &path) < 0) {
        readings.session = SourceState::failed;
        return;
    }
    auto all = callMethod(*bus, logind::service, path, "org.freedesktop.DBus.Properties", "GetAll",
                          [](sd_bus_message* call) {
                              return sd_bus_message_append(call, "s", logind::sessionInterface);
                          });
    auto properties = all.ok() ? sessionProperties(all.message) : std::nullopt;
    if (!properties) {
        readings.session = all.serviceMissing() ? SourceState::absent : SourceState::failed;
        return;
    }
    readings.sessionActive = properties->active;
    // A logind too old to track the lock is no lock source, but its Active still counts.
    readings.session =
        properties->lockedHint ? stateOf(*properties->lockedHint) : SourceState::absent;
}

} // namespace orvel::linuxdesktop
