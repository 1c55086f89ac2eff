// The one place that chooses the desktop the program runs on: the simulated desktop unless
// the environment asks for the real X11 desktop, which exists only in builds that found its
// libraries.
#include "platform/Backend.hpp"

#include "platform/Environment.hpp"
#include "platform/select/DesktopChoice.hpp"
#include "platform/sim/DesktopFromEnvironment.hpp"

#if ORVEL_HAVE_LINUX_DESKTOP
#include "platform/linux/DesktopFromEnvironment.hpp"
#endif

namespace orvel::platform {

std::unique_ptr<Backend> makeBackend(std::string& error) {
    const auto environment = processEnvironment();
    const auto desktop = chooseDesktop(environment, error);
    if (!desktop) {
        return nullptr;
    }
    if (*desktop == DesktopKind::simulated) {
        return sim::desktopFromEnvironment(error);
    }
#if ORVEL_HAVE_LINUX_DESKTOP
    return linuxdesktop::desktopFromEnvironment(environment, error);
#else
    error = linuxDesktopNotBuilt();
    return nullptr;
#endif
}

} // namespace orvel::platform
