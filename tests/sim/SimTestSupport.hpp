// Helpers shared by the simulated desktop's tests: loading desktops, running the main loop on
// a thread of the test's own, and bounded waiting for something another thread does.
#pragma once

#include "platform/sim/SimulatedDesktop.hpp"

#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>

namespace orvel::sim::testing {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

inline std::string scenarioPath(const std::string& name) {
    return std::string(ORVEL_SCENARIO_DIR) + "/" + name;
}

inline std::string readScenario(const std::string& name) {
    std::ifstream file(scenarioPath(name), std::ios::binary);
    if (!file) {
        throw std::runtime_error("no scenario " + name);
    }
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

inline std::unique_ptr<SimulatedDesktop> loadDesktop(std::string_view json,
                                                     DesktopOptions options = {}) {
    std::string error;
    auto desktop = SimulatedDesktop::load(json, error, std::move(options));
    if (!desktop) {
        throw std::runtime_error("scenario refused: " + error);
    }
    return desktop;
}

// The error a scenario is refused with; empty when it loads.
inline std::string refusal(std::string_view json) {
    std::string error;
    auto desktop = SimulatedDesktop::load(json, error);
    return desktop ? std::string() : error;
}

inline double secondsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

// Polls `condition` until it holds or `timeout` passes; whether it held.
template <class Condition>
bool eventually(Condition condition, std::chrono::milliseconds timeout = 2000ms) {
    const auto deadline = SteadyClock::now() + timeout;
    while (!condition()) {
        if (SteadyClock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// Runs a main loop on a thread of its own for the life of the object.
class MainLoopThread {
  public:
    explicit MainLoopThread(platform::MainLoop& loop)
        : loop_(loop), thread_([this] { loop_.runForever(); }) {}
    ~MainLoopThread() {
        loop_.quit();
        thread_.join();
    }
    MainLoopThread(const MainLoopThread&) = delete;
    MainLoopThread& operator=(const MainLoopThread&) = delete;

    // Returns once every job posted before the call has run.
    void drain() {
        loop_.runSync([] {});
    }

  private:
    platform::MainLoop& loop_;
    std::thread thread_;
};

} // namespace orvel::sim::testing
