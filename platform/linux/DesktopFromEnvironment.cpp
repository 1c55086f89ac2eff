#include "platform/linux/DesktopFromEnvironment.hpp"

#include "platform/linux/LinuxDesktop.hpp"
#include "platform/linux/atspi/AtspiAccessibility.hpp"
#include "platform/linux/x11/X11ScreenWindows.hpp"

namespace orvel::linuxdesktop {

std::unique_ptr<platform::Backend> desktopFromEnvironment(const platform::EnvironmentLookup& env,
                                                          std::string& error) {
    auto options = readLinuxDesktopOptions(env, error);
    if (!options) {
        return nullptr;
    }
    std::shared_ptr<ScreenWindows> screen = X11ScreenWindows::open(options->display);
    if (!screen) {
        error = displayRefusal(*options);
        return nullptr;
    }
    std::shared_ptr<AtspiAccessibility> accessibility =
        AtspiAccessibility::fromEnvironment(std::move(screen));
    return LinuxDesktop::open(*options, accessibility, accessibility, error);
}

} // namespace orvel::linuxdesktop
