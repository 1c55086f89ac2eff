#include "support/EngineHarness.hpp"

#include "OrvelControlCore/Limits.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

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
        options.process ? *options.process : simulated.process, simulated.capture,
        simulated.profile});
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
    engineOptions.lineSink = std::move(options.lineSink);
    engineOptions.screenshotBudget = options.screenshotBudget;
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
    appendToCorpus();
}

void EngineHarness::runReader(const Engine::InputReader& read) {
    std::string partial;
    engine_->runReader([&](char* buffer, std::size_t size) {
        std::size_t count = read(buffer, size);
        partial.append(buffer, count);
        for (auto end = partial.find('\n'); end != std::string::npos; end = partial.find('\n')) {
            // An over-long line is answered without an id; it tells the corpus nothing.
            if (end <= Limits::requestBytes) {
                recordRequest(partial.substr(0, end));
            }
            partial.erase(0, end + 1);
        }
        return count;
    });
}

void EngineHarness::recordRequest(std::string line) {
    std::lock_guard guard(requestsLock_);
    requests_.push_back(std::move(line));
}

// One line per harness, written with a single append so that test processes running side by
// side never interleave their lines.
void EngineHarness::appendToCorpus() {
    const char* path = std::getenv("ORVEL_PROTOCOL_CORPUS");
    auto output = out_.lines();
    if (!path || *path == '\0' || output.empty()) {
        return;
    }
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::lock_guard guard(requestsLock_);
    Json record{{"test", test ? std::string(test->test_suite_name()) + "." + test->name() : ""},
                {"requests", requests_},
                {"output", std::move(output)}};
    std::string line = record.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
    int file = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (file < 0) {
        ADD_FAILURE() << "cannot open the protocol corpus " << path;
        return;
    }
    if (::write(file, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
        ADD_FAILURE() << "cannot append to the protocol corpus " << path;
    }
    ::close(file);
}

Json EngineHarness::request(const Json& request, std::chrono::milliseconds timeout) {
    std::size_t firstLine = out_.lineCount();
    std::string line = request.dump();
    recordRequest(line);
    engine_->accept(line);
    auto response = out_.waitForId(request.value("id", std::string()), timeout, firstLine);
    return response ? *response : Json();
}

bool EngineHarness::acceptLine(const std::string& line) {
    recordRequest(line);
    return engine_->accept(line);
}

} // namespace orvel::testing
