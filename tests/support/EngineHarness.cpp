#include "support/EngineHarness.hpp"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace orvel::testing {

std::string scenarioText(const std::string& name) {
    std::ifstream file(std::string(ORVEL_SCENARIO_DIR) + "/" + name);
    if (!file) {
        throw std::runtime_error("no scenario " + name);
    }
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string minimalScenario() {
    return R"({
      "apps": [{"pid": 501, "bundleId": "com.example.notes", "name": "Notes", "launchedAt": 1765000000}],
      "windows": [{"windowId": 101, "pid": 501, "title": "Notes",
                   "frame": {"x": 100, "y": 80, "width": 800, "height": 600},
                   "tree": {"id": "w1", "role": "AXWindow", "title": "Notes",
                            "frame": {"x": 100, "y": 80, "width": 800, "height": 600}}}]
    })";
}

EngineHarness::MainLoopThread::MainLoopThread(platform::MainLoop& loop)
    : loop_(loop), thread_([this] { loop_.runForever(); }) {}

EngineHarness::MainLoopThread::~MainLoopThread() {
    loop_.quit();
    thread_.join();
}

EngineHarness::EngineHarness(const std::string& scenario, HarnessOptions options) {
    std::string error;
    desktop_ = sim::SimulatedDesktop::load(scenario, error);
    if (!desktop_) {
        throw std::runtime_error("scenario refused: " + error);
    }
    auto& simulated = desktop_->platform();
    platform_ = std::make_unique<platform::Platform>(platform::Platform{
        simulated.mainLoop, simulated.accessibility, simulated.windowServer, simulated.workspace,
        simulated.events, simulated.privacy, simulated.notifications,
        options.process ? *options.process : simulated.process, simulated.capture});
    auto& platform = *platform_;
    mainLoop_ = std::make_unique<MainLoopThread>(platform.mainLoop);
    listener_ =
        std::make_unique<UserInputListener>(platform.events, platform.privacy, platform.mainLoop,
                                            CollisionPolicy::random(), clock_.function());
    lockWatcher_ = std::make_unique<LockWatcher>(platform.notifications);
    EngineOptions engineOptions;
    engineOptions.out = options.out ? options.out : platform::streamOutput(out_.stream());
    engineOptions.err = platform::streamOutput(err_.stream());
    engineOptions.exitProcess = [this](int) {
        exitCalls_.fetch_add(1);
    };
    engineOptions.watchdogInterval = options.watchdogInterval;
    engineOptions.clock = clock_.function();
    engine_ = std::make_unique<Engine>(platform, *listener_, *lockWatcher_, engineOptions);
    platform.mainLoop.runSync([this] { lockWatcher_->start(); });
    if (options.startListener) {
        platform.mainLoop.runSync([this] { listener_->start(); });
    }
}

EngineHarness::~EngineHarness() {
    // The engine's worker may still wait on the main loop, and the loop may still deliver
    // tap events to the listener: engine first, then the loop, then the listener.
    engine_.reset();
    mainLoop_.reset();
    lockWatcher_.reset();
    listener_.reset();
}

Json EngineHarness::request(const Json& request, std::chrono::milliseconds timeout) {
    std::size_t firstLine = out_.lineCount();
    engine_->accept(request.dump());
    auto response = out_.waitForId(request.value("id", std::string()), timeout, firstLine);
    return response ? *response : Json();
}

bool EngineHarness::acceptLine(const std::string& line) {
    return engine_->accept(line);
}

} // namespace orvel::testing
