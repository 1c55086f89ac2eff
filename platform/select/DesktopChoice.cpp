#include "platform/select/DesktopChoice.hpp"

namespace orvel::platform {

std::optional<DesktopKind> chooseDesktop(const EnvironmentLookup& environment, std::string& error) {
    const auto requested = environment("ORVEL_DESKTOP");
    if (!requested || *requested == "simulated") {
        return DesktopKind::simulated;
    }
    if (*requested != "x11") {
        error = "ORVEL_DESKTOP=" + *requested +
                " is not a desktop this program knows (\"simulated\" or \"x11\")";
        return std::nullopt;
    }
    if (environment("ORVEL_SIM_DESKTOP")) {
        error = "ORVEL_DESKTOP=x11 asks for the real desktop, but ORVEL_SIM_DESKTOP names a "
                "simulated one; set only one of them";
        return std::nullopt;
    }
    return DesktopKind::x11;
}

std::string linuxDesktopNotBuilt() {
    return "ORVEL_DESKTOP=x11: this build has no Linux desktop (its X11, D-Bus and PNG "
           "libraries were not found when it was built)";
}

} // namespace orvel::platform
