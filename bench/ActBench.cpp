// The program's own cost of one "act": an accessibility press on a 250-element window and
// the re-observation after it, on the simulated desktop without latency. The fixed 180 ms
// the app is given to react and the time the simulated app spends answering are subtracted;
// what remains is the program's own work.
#include "BenchDesktop.hpp"
#include "Engine.hpp"
#include "LockWatcher.hpp"
#include "TimedAccessibility.hpp"
#include "UserInputListener.hpp"
#include "platform/sim/SimulatedDesktop.hpp"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <thread>

namespace orvel {
namespace {

constexpr double settleSeconds = 0.180;

void actOnTwoHundredFiftyNodes(benchmark::State& state) {
    std::string error;
    auto desktop = sim::SimulatedDesktop::load(bench::desktopWithNodes(250), error);
    if (!desktop) {
        throw std::runtime_error(error);
    }
    auto& simulated = desktop->platform();
    bench::TimedAccessibility timed(simulated.accessibility);
    platform::Platform platform{simulated.mainLoop,      timed,
                                simulated.windowServer,  simulated.workspace,
                                simulated.events,        simulated.privacy,
                                simulated.notifications, simulated.process,
                                simulated.capture,       simulated.profile};
    std::thread mainThread([&simulated] { simulated.mainLoop.runForever(); });
    std::FILE* sink = std::tmpfile();
    {
        UserInputListener listener(platform.events, platform.privacy, platform.mainLoop);
        LockWatcher lockWatcher(platform.notifications);
        EngineOptions options;
        options.out = platform::streamOutput(sink);
        options.err = platform::streamOutput(sink);
        options.exitProcess = [](int) {
        };
        Engine engine(platform, listener, lockWatcher, options);
        int request = 0;
        for (auto _ : state) {
            std::string observeId = "observe-" + std::to_string(++request);
            Json observeRequest{{"op", "observe"}, {"pid", 501}, {"windowId", 101}};
            auto observeTicket =
                engine.ledger().admit(observeId, false, std::to_string(request)).ticket;
            auto observation = engine.observe(observeTicket, observeRequest);
            engine.ledger().finish(observeId, Json::object(), false);

            std::string actId = "act-" + std::to_string(request);
            Json actRequest{{"op", "act"},
                            {"observationId", observation["observationId"]},
                            {"action", {{"type", "ax.press"}, {"elementId", "e2"}}}};
            auto actTicket = engine.ledger().admit(actId, false, std::to_string(request)).ticket;
            timed.reset();
            auto started = std::chrono::steady_clock::now();
            auto result = engine.act(actTicket, actRequest);
            std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
            engine.ledger().finish(actId, Json::object(), false);
            // The settle and what the simulated app spends answering are not the program's cost.
            state.SetIterationTime(elapsed.count() - settleSeconds - timed.seconds());
            if (!result.contains("observation") || result["observation"].is_null()) {
                state.SkipWithError("the action was not re-observed");
            }
        }
    }
    simulated.mainLoop.quit();
    mainThread.join();
    std::fclose(sink);
}
BENCHMARK(actOnTwoHundredFiftyNodes)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

} // namespace
} // namespace orvel
