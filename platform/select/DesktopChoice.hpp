// Which desktop the program runs on, decided once at start-up from the environment:
// ORVEL_DESKTOP unset or "simulated" is the simulated desktop, "x11" the real X11 desktop.
// Anything contradictory or unknown is refused with a one-line reason, so that nothing ever
// runs on a desktop nobody asked for. Pure; thread-safe.
#pragma once

#include "platform/Environment.hpp"

#include <optional>
#include <string>

namespace orvel::platform {

enum class DesktopKind { simulated, x11 };

// The desktop the environment asks for; absent with `error` set when it cannot be honoured
// (an unknown value, or the real desktop asked for together with a simulated scenario).
std::optional<DesktopKind> chooseDesktop(const EnvironmentLookup& environment, std::string& error);

// The refusal for "x11" in a build without the Linux desktop backend.
std::string linuxDesktopNotBuilt();

} // namespace orvel::platform
