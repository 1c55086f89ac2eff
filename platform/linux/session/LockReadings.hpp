// What the two lock sources said at one moment, and the login-session dictionary the engine's
// lock policy reads, synthesised from them. Pure; thread-safe.
//
// The sources are logind's session (its LockedHint, and Active: the session is the one in
// front on its seat) and the screensaver service (GetActive). A source that is not on its bus
// is absent; one that is there but does not answer properly has failed.
#pragma once

#include "OrvelControlCore/Json.hpp"
#include "platform/profiles/LinuxProfile.hpp"

#include <optional>

namespace orvel::linuxdesktop {

enum class SourceState { absent, failed, unlocked, locked };

struct LockReadings {
    SourceState session = SourceState::absent;
    // logind's Active for the session, when it said.
    std::optional<bool> sessionActive;
    SourceState screensaver = SourceState::absent;
};

// The session dictionary ("kCGSSessionOnConsoleKey", "kCGSessionLoginDoneKey",
// "CGSSessionScreenIsLocked"), or absent, which the engine reads as an unknown state:
// - from the sources: absent when both are absent or either failed (a locker that does not
//   answer may be the one that is locking); otherwise locked when either says so, and off the
//   console when logind says the session is not the active one;
// - declared absent (ORVEL_SCREEN_LOCK=none): always a dictionary, unlocked unless a source
//   that does answer says locked, for a locker that exists after all is still obeyed.
std::optional<Json> sessionDictionary(const LockReadings& readings, platform::LockSource source);

} // namespace orvel::linuxdesktop
