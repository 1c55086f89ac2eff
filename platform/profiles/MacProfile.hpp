// The macOS desktop's profile: its out-of-reach applications (terminals, the login window,
// the screen saver, authentication and keychain dialogs, the system settings), the texts that
// send the person to Privacy & Security, and its key rules. The simulated desktop behaves like
// macOS and hands this profile to the engine.
#pragma once

#include "platform/PlatformProfile.hpp"

namespace orvel::platform {

const PlatformProfile& macOSProfile();

} // namespace orvel::platform
