// A real application started by a test on the private desktop session, waited for until the
// accessibility bus lists it with a window, and stopped by its pid when the test ends (a
// stopped application is continued first so that it can be killed and reaped).
#pragma once

#include "platform/ChildProcess.hpp"
#include "platform/linux/atspi/AtspiAccessibility.hpp"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace orvel::testing {

class RunningApp {
  public:
    // Starts the program and waits (at most `patience`) until its accessible application has
    // a window titled `windowTitle` (any window when empty); null when it never does.
    static std::unique_ptr<RunningApp>
    start(linuxdesktop::AtspiAccessibility& service, const std::string& program,
          const std::vector<std::string>& arguments, const std::string& windowTitle = "",
          std::chrono::milliseconds patience = std::chrono::seconds(20));
    // One of the GTK test applications of tests/linux/apps.
    static std::unique_ptr<RunningApp> startTestApp(linuxdesktop::AtspiAccessibility& service,
                                                    const std::string& script,
                                                    const std::string& windowTitle,
                                                    const std::vector<std::string>& arguments = {});
    ~RunningApp();

    int pid() const { return child_->pid(); }
    const platform::ElementHandle& application() const { return application_; }
    const platform::ElementHandle& window() const { return window_; }

    void pause();  // SIGSTOP
    void resume(); // SIGCONT
    void kill();   // SIGKILL, and waits for the process to end

  private:
    RunningApp(std::unique_ptr<platform::ChildProcess> child) : child_(std::move(child)) {}

    std::unique_ptr<platform::ChildProcess> child_;
    platform::ElementHandle application_;
    platform::ElementHandle window_;
    bool paused_ = false;
};

} // namespace orvel::testing
