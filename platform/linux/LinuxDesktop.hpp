// The real X11 desktop as the program's backend: it owns the main loop, the X connections,
// every platform service and the Linux profile, and is handed the accessibility service (the
// AT-SPI service in the program, a test double in tests) together with its list of
// accessible applications, which the workspace merges with the X server's window owners.
//
// The X connections: the main loop's own (the workspace, on the loop's thread), one shared by
// the services that only make requests from any thread (window list, displays, pointer,
// permissions), and the capture thread's. `platform().mainLoop` must be run by whoever drives
// the desktop and quit, with its thread joined, before the desktop is destroyed.
#pragma once

#include "platform/AccessibilityService.hpp"
#include "platform/Backend.hpp"
#include "platform/linux/AccessibleApplications.hpp"
#include "platform/linux/LinuxDesktopOptions.hpp"

#include <memory>
#include <string>

namespace orvel::linuxdesktop {

class LinuxDesktop final : public platform::Backend {
  public:
    // Null with `error` set to a one-line reason when the display cannot be opened or the
    // loop cannot be built.
    static std::unique_ptr<LinuxDesktop>
    open(const LinuxDesktopOptions& options,
         std::shared_ptr<platform::AccessibilityService> accessibility,
         std::shared_ptr<AccessibleApplications> applications, std::string& error);

    ~LinuxDesktop() override;
    LinuxDesktop(const LinuxDesktop&) = delete;
    LinuxDesktop& operator=(const LinuxDesktop&) = delete;

    platform::Platform& platform() override;
    // Gives back the keycodes lent to typed characters: the keymap outlives the process.
    void beforeExit() override;

  private:
    struct Services;

    explicit LinuxDesktop(std::unique_ptr<Services> services);

    std::unique_ptr<Services> services_;
};

} // namespace orvel::linuxdesktop
