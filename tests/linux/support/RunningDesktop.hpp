// A Linux desktop opened for a test, with its main loop running on a thread of its own until
// the object goes. Only the test thread calls it.
#pragma once

#include "platform/linux/LinuxDesktop.hpp"

#include <memory>
#include <string>
#include <thread>

namespace orvel::testing {

class RunningDesktop {
  public:
    // Null with `error` set when the desktop cannot be opened.
    static std::unique_ptr<RunningDesktop>
    open(const linuxdesktop::LinuxDesktopOptions& options,
         std::shared_ptr<platform::AccessibilityService> accessibility,
         std::shared_ptr<linuxdesktop::AccessibleApplications> applications, std::string& error);
    ~RunningDesktop();
    RunningDesktop(const RunningDesktop&) = delete;
    RunningDesktop& operator=(const RunningDesktop&) = delete;

    platform::Platform& platform() { return desktop_->platform(); }

  private:
    explicit RunningDesktop(std::unique_ptr<linuxdesktop::LinuxDesktop> desktop);

    std::unique_ptr<linuxdesktop::LinuxDesktop> desktop_;
    std::thread loop_;
};

} // namespace orvel::testing
