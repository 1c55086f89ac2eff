#include "linux/support/RunningDesktop.hpp"

namespace orvel::testing {

std::unique_ptr<RunningDesktop>
RunningDesktop::open(const linuxdesktop::LinuxDesktopOptions& options,
                     std::shared_ptr<platform::AccessibilityService> accessibility,
                     std::shared_ptr<linuxdesktop::AccessibleApplications> applications,
                     std::string& error) {
    auto desktop = linuxdesktop::LinuxDesktop::open(options, std::move(accessibility),
                                                    std::move(applications), error);
    if (!desktop) {
        return nullptr;
    }
    return std::unique_ptr<RunningDesktop>(new RunningDesktop(std::move(desktop)));
}

RunningDesktop::RunningDesktop(std::unique_ptr<linuxdesktop::LinuxDesktop> desktop)
    : desktop_(std::move(desktop)), loop_([this] { desktop_->platform().mainLoop.runForever(); }) {}

RunningDesktop::~RunningDesktop() {
    desktop_->platform().mainLoop.quit();
    loop_.join();
}

} // namespace orvel::testing
