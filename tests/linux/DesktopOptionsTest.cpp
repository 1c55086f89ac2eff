// Reading the Linux desktop's options from the environment: the display, the buses, the
// declared absence of a screen lock, and the refusals for what cannot be used.
#include "platform/linux/LinuxDesktopOptions.hpp"

#include <gtest/gtest.h>

#include <map>

namespace orvel::linuxdesktop {
namespace {

platform::EnvironmentLookup environment(std::map<std::string, std::string> variables) {
    return [variables](const std::string& name) -> std::optional<std::string> {
        auto found = variables.find(name);
        return found == variables.end() ? std::nullopt : std::optional(found->second);
    };
}

TEST(DesktopOptions, TakeTheDisplayAndTheBusesFromTheEnvironment) {
    std::string error;
    auto options =
        readLinuxDesktopOptions(environment({{"DISPLAY", ":5"},
                                             {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/tmp/session"},
                                             {"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/tmp/system"}}),
                                error);
    ASSERT_TRUE(options.has_value()) << error;
    EXPECT_EQ(options->display, ":5");
    EXPECT_EQ(options->sessionBusAddress, "unix:path=/tmp/session");
    EXPECT_EQ(options->systemBusAddress, "unix:path=/tmp/system");
    EXPECT_EQ(options->lockSource, platform::LockSource::sessionAndScreensaver);
    EXPECT_FALSE(options->waylandSession);
}

TEST(DesktopOptions, FindTheBusesWhereClientsLookWithoutTheVariables) {
    std::string error;
    auto options = readLinuxDesktopOptions(
        environment({{"DISPLAY", ":0"}, {"XDG_RUNTIME_DIR", "/run/user/7"}}), error);
    ASSERT_TRUE(options.has_value());
    EXPECT_EQ(options->sessionBusAddress, "unix:path=/run/user/7/bus");
    EXPECT_EQ(options->systemBusAddress, "unix:path=/run/dbus/system_bus_socket");
    auto bare = readLinuxDesktopOptions(environment({{"DISPLAY", ":0"}}), error);
    ASSERT_TRUE(bare.has_value());
    EXPECT_EQ(bare->sessionBusAddress, "") << "no session bus to ask";
}

TEST(DesktopOptions, HonourOnlyNoneAsTheDeclaredScreenLock) {
    std::string error;
    auto none = readLinuxDesktopOptions(
        environment({{"DISPLAY", ":0"}, {"ORVEL_SCREEN_LOCK", "none"}}), error);
    ASSERT_TRUE(none.has_value());
    EXPECT_EQ(none->lockSource, platform::LockSource::declaredAbsent);
    EXPECT_FALSE(readLinuxDesktopOptions(
        environment({{"DISPLAY", ":0"}, {"ORVEL_SCREEN_LOCK", "off"}}), error));
    EXPECT_EQ(error,
              "ORVEL_SCREEN_LOCK=off is not understood (only \"none\", for a desktop without a "
              "screen lock)");
}

TEST(DesktopOptions, RefuseAMissingDisplayAndNameAWaylandSession) {
    std::string error;
    EXPECT_FALSE(readLinuxDesktopOptions(environment({}), error));
    EXPECT_EQ(error, "DISPLAY is not set: there is no X display to run on");
    EXPECT_FALSE(readLinuxDesktopOptions(environment({{"WAYLAND_DISPLAY", "wayland-0"}}), error));
    EXPECT_EQ(error, "this is a Wayland session without an X server (DISPLAY is not set); the "
                     "Linux desktop needs X11");
    auto xwayland = readLinuxDesktopOptions(
        environment({{"DISPLAY", ":1"}, {"XDG_SESSION_TYPE", "wayland"}}), error);
    ASSERT_TRUE(xwayland.has_value()) << "an X server in a Wayland session is still one";
    EXPECT_EQ(displayRefusal(*xwayland),
              "cannot open the X display \":1\" (this is a Wayland session; the Linux desktop "
              "needs its X server)");
}

} // namespace
} // namespace orvel::linuxdesktop
