// Reads the two lock sources afresh: logind on the system bus (the session of this process by
// GetSessionByPID, then its LockedHint and Active) and org.freedesktop.ScreenSaver's GetActive
// on the session bus. Every reading opens its own connections, so that any thread may read
// without sharing one, and every call is bounded by a short time-out (a hung locker costs at
// most that, and then counts as failed). Services are never started by a reading.
//
// Safe from any thread; keeps no state between readings.
#pragma once

#include "platform/linux/session/LockReadings.hpp"

#include <chrono>
#include <cstdint>
#include <string>

namespace orvel::linuxdesktop {

class SessionLockReader {
  public:
    SessionLockReader(std::string sessionBusAddress, std::string systemBusAddress,
                      std::int32_t ownPid, std::chrono::milliseconds callTimeout);

    LockReadings read() const;

  private:
    SourceState readScreensaver() const;
    void readSession(LockReadings& readings) const;

    std::string sessionBusAddress_;
    std::string systemBusAddress_;
    std::int32_t ownPid_;
    std::chrono::milliseconds callTimeout_;
};

} // namespace orvel::linuxdesktop
