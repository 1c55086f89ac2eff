#include "platform/linux/LinuxDesktopOptions.hpp"

namespace orvel::linuxdesktop {

namespace {

constexpr const char* defaultSystemBus = "unix:path=/run/dbus/system_bus_socket";

bool isWaylandSession(const platform::EnvironmentLookup& env) {
    return env("WAYLAND_DISPLAY").has_value() || env("XDG_SESSION_TYPE") == "wayland";
}

// The session bus as D-Bus clients find it: the variable, else the user's runtime folder.
std::string sessionBus(const platform::EnvironmentLookup& env) {
    if (auto address = env("DBUS_SESSION_BUS_ADDRESS")) {
        return *address;
    }
    if (auto runtime = env("XDG_RUNTIME_DIR")) {
        return "unix:path=" + *runtime + "/bus";
    }
    return "";
}

} // namespace

std::optional<LinuxDesktopOptions> readLinuxDesktopOptions(const platform::EnvironmentLookup& env,
                                                           std::string& error) {
    LinuxDesktopOptions options;
    if (auto lock = env("ORVEL_SCREEN_LOCK")) {
        if (*lock != "none") {
            error = "ORVEL_SCREEN_LOCK=" + *lock +
                    " is not understood (only \"none\", for a desktop without a screen lock)";
            return std::nullopt;
        }
        options.lockSource = platform::LockSource::declaredAbsent;
    }
    auto display = env("DISPLAY");
    if (!display) {
        error = isWaylandSession(env)
                    ? "this is a Wayland session without an X server (DISPLAY is not set); the "
                      "Linux desktop needs X11"
                    : "DISPLAY is not set: there is no X display to run on";
        return std::nullopt;
    }
    options.display = *display;
    options.waylandSession = isWaylandSession(env);
    options.sessionBusAddress = sessionBus(env);
    options.systemBusAddress = env("DBUS_SYSTEM_BUS_ADDRESS").value_or(defaultSystemBus);
    return options;
}

std::string displayRefusal(const LinuxDesktopOptions& options) {
    std::string reason = "cannot open the X display \"" + options.display + "\"";
    if (options.waylandSession) {
        reason += " (this is a Wayland session; the Linux desktop needs its X server)";
    }
    return reason;
}

} // namespace orvel::linuxdesktop
