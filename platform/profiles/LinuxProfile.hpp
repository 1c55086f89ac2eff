// The Linux (X11) desktop's profile: terminals, settings, authentication and password prompts,
// keyrings and password managers, screen lockers and greeters out of reach; the texts that
// name the accessibility bus and the X server; and the key rules of Linux desktops, where
// Control is the shortcut modifier.
#pragma once

#include "platform/PlatformProfile.hpp"

namespace orvel::platform {

// How the backend learns whether the screen is locked, which the lock limitation text states.
enum class LockSource {
    // logind's session and the screensaver service; unknown counts as locked.
    sessionAndScreensaver,
    // The person declared that the desktop has no screen lock (ORVEL_SCREEN_LOCK=none).
    declaredAbsent,
};

PlatformProfile linuxProfile(LockSource lockSource);

} // namespace orvel::platform
