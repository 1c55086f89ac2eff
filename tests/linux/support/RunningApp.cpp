#include "linux/support/RunningApp.hpp"

#include <csignal>
#include <thread>

namespace orvel::testing {

namespace {

using platform::AXValue;

std::string titleOf(linuxdesktop::AtspiAccessibility& service,
                    const platform::ElementHandle& window) {
    auto title = service.copyAttributeValue(window, "AXTitle");
    return title.ok() && title.value.kind == AXValue::Kind::string ? title.value.string : "";
}

} // namespace

std::unique_ptr<RunningApp> RunningApp::start(linuxdesktop::AtspiAccessibility& service,
                                              const std::string& program,
                                              const std::vector<std::string>& arguments,
                                              const std::string& windowTitle,
                                              std::chrono::milliseconds patience) {
    auto child = platform::ChildProcess::start(program, arguments, {{"GDK_BACKEND", "x11"}});
    if (!child) {
        return nullptr;
    }
    std::unique_ptr<RunningApp> app(new RunningApp(std::move(child)));
    auto until = std::chrono::steady_clock::now() + patience;
    while (std::chrono::steady_clock::now() < until) {
        auto application = service.createApplication(app->pid());
        auto windows = service.copyAttributeValue(application, "AXWindows");
        if (windows.ok()) {
            for (const auto& window : windows.value.array) {
                if (windowTitle.empty() || titleOf(service, window.element) == windowTitle) {
                    app->application_ = application;
                    app->window_ = window.element;
                    return app;
                }
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return nullptr;
}

std::unique_ptr<RunningApp> RunningApp::startTestApp(linuxdesktop::AtspiAccessibility& service,
                                                     const std::string& script,
                                                     const std::string& windowTitle,
                                                     const std::vector<std::string>& arguments) {
    std::vector<std::string> all{std::string(ORVEL_LINUX_TEST_APPS) + "/" + script};
    all.insert(all.end(), arguments.begin(), arguments.end());
    // The system's interpreter: one earlier on PATH may lack the GTK bindings.
    return start(service, "/usr/bin/python3", all, windowTitle);
}

RunningApp::~RunningApp() {
    if (paused_) {
        resume();
    }
}

void RunningApp::pause() {
    ::kill(pid(), SIGSTOP);
    paused_ = true;
}

void RunningApp::resume() {
    ::kill(pid(), SIGCONT);
    paused_ = false;
}

void RunningApp::kill() {
    if (paused_) {
        resume();
    }
    child_->kill();
    child_->waitForExit(std::chrono::seconds(5));
}

} // namespace orvel::testing
