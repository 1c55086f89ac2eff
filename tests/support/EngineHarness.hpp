// An engine on a fresh simulated desktop inside the test process: the desktop's main loop
// runs on a thread of its own, the takeover listener is started there, and the engine's
// output is captured line by line. Requests are handed to `accept` as the reader would.
//
// With ORVEL_PROTOCOL_CORPUS naming a file, every harness appends its requests and the engine's
// output lines to it as one JSON line when it ends, so that a later check can validate every
// response against the protocol's schemas.
#pragma once

#include "Engine.hpp"
#include "LockWatcher.hpp"
#include "UserInputListener.hpp"
#include "platform/sim/SimulatedDesktop.hpp"
#include "support/LineCapture.hpp"
#include "support/ManualClock.hpp"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace orvel::testing {

struct HarnessOptions {
    std::chrono::milliseconds watchdogInterval{1000};
    bool startListener = true;
    // Passed on to the engine: where its output goes instead of `out()`, and its screenshot
    // budget.
    Wire::LineSink lineSink;
    std::optional<ScreenshotBudget> screenshotBudget;

    // Takes the place of the simulated desktop's process service when given; it must outlive
    // the harness.
    platform::ProcessInfo* process = nullptr;
    // Takes the place of the captured standard output when given (out() then sees nothing).
    std::shared_ptr<platform::OutputChannel> out = nullptr;

    static HarnessOptions withWatchdog(std::chrono::milliseconds interval) {
        HarnessOptions options;
        options.watchdogInterval = interval;
        return options;
    }
    static HarnessOptions withoutListener() {
        HarnessOptions options;
        options.startListener = false;
        return options;
    }
};

// The "error" object of a failure response; empty for anything else.
inline Json errorOf(const Json& response) {
    return response.value("error", Json::object());
}

// Reads a scenario of the scenarios folder.
std::string scenarioText(const std::string& name);

// A small desktop: one notes app with a window, enough for engine tests that do not care.
std::string minimalScenario();

class EngineHarness {
  public:
    explicit EngineHarness(const std::string& scenario = minimalScenario(),
                           HarnessOptions options = {});
    ~EngineHarness();
    EngineHarness(const EngineHarness&) = delete;
    EngineHarness& operator=(const EngineHarness&) = delete;

    sim::SimulatedDesktop& desktop() { return *desktop_; }
    Engine& engine() { return *engine_; }
    UserInputListener& listener() { return *listener_; }
    LockWatcher& lockWatcher() { return *lockWatcher_; }
    const LineCapture& out() const { return out_; }
    const LineCapture& err() const { return err_; }
    ManualClock& clock() { return clock_; }
    int exitCalls() const { return exitCalls_.load(); }

    // Hands the request to the engine and waits for the response with its id.
    Json request(const Json& request, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Hands a raw line to the engine; returns what `accept` returned.
    bool acceptLine(const std::string& line);
    // The engine's reader body on `read`, with the lines it reads recorded for the corpus.
    void runReader(const Engine::InputReader& read);

  private:
    class MainLoopThread {
      public:
        explicit MainLoopThread(platform::MainLoop& loop);
        ~MainLoopThread();

      private:
        platform::MainLoop& loop_;
        std::thread thread_;
    };

    void recordRequest(std::string line);
    void appendToCorpus();

    std::mutex requestsLock_;
    std::vector<std::string> requests_; // guarded by requestsLock_
    std::unique_ptr<sim::SimulatedDesktop> desktop_;
    std::unique_ptr<platform::Platform> platform_; // the services the engine was given
    std::unique_ptr<MainLoopThread> mainLoop_;
    ManualClock clock_;
    LineCapture out_;
    LineCapture err_;
    std::atomic<int> exitCalls_{0};
    std::unique_ptr<UserInputListener> listener_;
    std::unique_ptr<LockWatcher> lockWatcher_;
    std::unique_ptr<Engine> engine_;
};

} // namespace orvel::testing
