// The program's own cost of observing a 600-element window (traversal, describing, payload,
// digest and serialising the response; the time the simulated app spends answering is
// subtracted) and of capturing and encoding a 4,500,000-pixel
// screenshot, on the simulated desktop without latency.
#include "Accessibility.hpp"
#include "BenchDesktop.hpp"
#include "Capture.hpp"
#include "LockWatcher.hpp"
#include "OrvelControlCore/Json.hpp"
#include "OrvelControlCore/Limits.hpp"
#include "OrvelControlCore/Responses.hpp"
#include "Permissions.hpp"
#include "TimedAccessibility.hpp"
#include "UserInputListener.hpp"
#include "platform/profiles/MacProfile.hpp"
#include "platform/sim/SimulatedDesktop.hpp"

#include <benchmark/benchmark.h>

#include <chrono>
#include <stdexcept>

namespace orvel {
namespace {

std::unique_ptr<sim::SimulatedDesktop> loadDesktop(const std::string& scenario) {
    std::string error;
    auto desktop = sim::SimulatedDesktop::load(scenario, error);
    if (!desktop) {
        throw std::runtime_error(error);
    }
    return desktop;
}

WindowTarget benchWindow(double width, double height) {
    WindowTarget window;
    window.windowId = 101;
    window.pid = 501;
    window.title = "Benk";
    window.frame = Rect{{0, 30}, {width, height}};
    window.onScreen = true;
    return window;
}

void observeSixHundredNodes(benchmark::State& state) {
    auto desktop = loadDesktop(bench::desktopWithNodes(600));
    bench::TimedAccessibility timed(desktop->platform().accessibility);
    Accessibility accessibility(timed, platform::macOSProfile().texts.accessibilityNotGranted);
    auto window = benchWindow(1200, 900);
    for (auto _ : state) {
        timed.reset();
        auto started = std::chrono::steady_clock::now();
        Deadline deadline(8.0, [] { return true; });
        auto record =
            accessibility.observe(501, "com.example.bench", window, 8, 600, "obs-1-1", deadline);
        Json elements = Json::array();
        for (const auto& id : record->order) {
            elements.push_back(
                Accessibility::nodePayload(record->nodes.at(id), record->windowFrame));
        }
        Json response = okResponse(
            "bench", Json{{"elements", std::move(elements)}, {"digest", record->digest}});
        auto text = wireText(response);
        benchmark::DoNotOptimize(text);
        std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
        // What the simulated app spends answering is not the program's cost.
        state.SetIterationTime(elapsed.count() - timed.seconds());
        if (record->order.size() != 600) {
            state.SkipWithError("the window did not give 600 nodes");
        }
    }
}
BENCHMARK(observeSixHundredNodes)->UseManualTime()->Unit(benchmark::kMillisecond);

void captureAtThePixelBudget(benchmark::State& state) {
    // 1500 x 1500 points at scale 2 is 9,000,000 pixels, scaled down to the budget.
    auto desktop = loadDesktop(bench::desktopWithNodes(60, 1500, 1500));
    auto& platform = desktop->platform();
    UserInputListener listener(platform.events, platform.privacy, platform.mainLoop);
    LockWatcher lockWatcher(platform.notifications);
    Permissions permissions(platform, listener, lockWatcher);
    Capture capture(platform.capture, platform.privacy, permissions,
                    platform.profile.texts.screenRecordingNotGranted);
    for (auto _ : state) {
        auto result = capture.window(101, Deadline(12.0, [] { return true; }), Limits::imagePixels);
        auto text = wireText(
            okResponse("bench", Json{{"screenshot", Capture::payload(result, "obs-1-1")}}));
        benchmark::DoNotOptimize(text);
        state.counters["pixels"] = static_cast<double>(result.pixelWidth) * result.pixelHeight;
    }
}
BENCHMARK(captureAtThePixelBudget)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
} // namespace orvel
