// The MCP face's own cost: a ping's round trip through `--mcp` next to the JSON-lines ping
// (and a health request both ways, which reaches the engine), each through the built program's
// pipes; and the translation of a 600-element observation into the line of a tool result,
// next to writing the same response as a JSON line (the difference is what MCP adds).
#include "Accessibility.hpp"
#include "BenchDesktop.hpp"
#include "OrvelControlCore/Json.hpp"
#include "OrvelControlCore/Responses.hpp"
#include "mcp/JsonRpc.hpp"
#include "mcp/ToolResult.hpp"
#include "platform/ChildProcess.hpp"
#include "platform/sim/SimulatedDesktop.hpp"

#include <benchmark/benchmark.h>

#include <chrono>
#include <stdexcept>

namespace orvel {
namespace {

using namespace std::chrono_literals;

std::unique_ptr<platform::ChildProcess> startProgram(bool mcp) {
    auto child = platform::ChildProcess::start(
        ORVEL_BINARY_PATH, mcp ? std::vector<std::string>{"--mcp"} : std::vector<std::string>{});
    if (!child) {
        throw std::runtime_error("cannot start " ORVEL_BINARY_PATH);
    }
    if (mcp) {
        child->write(R"({"jsonrpc":"2.0","id":0,"method":"initialize","params":)"
                     R"({"protocolVersion":"2025-11-25","capabilities":{},)"
                     R"("clientInfo":{"name":"bench","version":"1"}}})"
                     "\n"
                     R"({"jsonrpc":"2.0","method":"notifications/initialized"})"
                     "\n");
        child->readLine(10s);
    }
    return child;
}

// Sends `line` and waits for the one line that answers it, as a client does.
void roundTrips(benchmark::State& state, bool mcp, const std::string& line) {
    auto child = startProgram(mcp);
    for (auto _ : state) {
        child->write(line);
        auto answer = child->readLine(10s);
        if (!answer) {
            state.SkipWithError("no answer");
            break;
        }
        benchmark::DoNotOptimize(answer);
    }
    child->closeInput();
    child->waitForExit(10s);
}

void pingRoundTripJsonLines(benchmark::State& state) {
    // The same id each time is answered from the stored receipt, which is the ping's own path.
    roundTrips(state, false, "{\"id\":\"p\",\"op\":\"ping\"}\n");
}
BENCHMARK(pingRoundTripJsonLines)->Unit(benchmark::kMicrosecond);

void pingRoundTripMcp(benchmark::State& state) {
    roundTrips(state, true, "{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"ping\"}\n");
}
BENCHMARK(pingRoundTripMcp)->Unit(benchmark::kMicrosecond);

void healthRoundTripJsonLines(benchmark::State& state) {
    roundTrips(state, false, "{\"id\":\"h\",\"op\":\"health\"}\n");
}
BENCHMARK(healthRoundTripJsonLines)->Unit(benchmark::kMicrosecond);

void healthRoundTripMcp(benchmark::State& state) {
    roundTrips(state, true,
               "{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"tools/call\",\"params\":"
               "{\"name\":\"health\",\"arguments\":{}}}\n");
}
BENCHMARK(healthRoundTripMcp)->Unit(benchmark::kMicrosecond);

// The engine's response to an observe of a 600-element window, as its line sink hands it over.
Json observationResponse() {
    std::string error;
    auto desktop = sim::SimulatedDesktop::load(bench::desktopWithNodes(600), error);
    if (!desktop) {
        throw std::runtime_error(error);
    }
    Accessibility accessibility(desktop->platform().accessibility,
                                desktop->platform().profile.texts.accessibilityNotGranted);
    WindowTarget window;
    window.windowId = 101;
    window.pid = 501;
    window.frame = Rect{{0, 30}, {1200, 900}};
    window.onScreen = true;
    Deadline deadline(8.0, [] { return true; });
    auto record =
        accessibility.observe(501, "com.example.bench", window, 8, 600, "obs-1-1", deadline);
    Json elements = Json::array();
    for (const auto& id : record->order) {
        elements.push_back(Accessibility::nodePayload(record->nodes.at(id), record->windowFrame));
    }
    Json lock{{"state", "unlocked"}, {"reason", nullptr}, {"limitation", "ingen"}};
    return okResponse("mcp-call-1",
                      Json{{"observationId", record->id},
                           {"timestamp", 1765000000.5},
                           {"app",
                            {{"pid", 501},
                             {"bundleId", "com.example.bench"},
                             {"name", "Benk"},
                             {"launchedAt", 0},
                             {"active", true}}},
                           {"window",
                            {{"windowId", 101},
                             {"title", "Benk"},
                             {"frame", {{"x", 0}, {"y", 30}, {"width", 1200}, {"height", 900}}}}},
                           {"elements", std::move(elements)},
                           {"truncated", false},
                           {"digest", record->digest},
                           {"screenLocked", false},
                           {"lock", lock}});
}

void jsonLinesWritesAnObservationOf600Elements(benchmark::State& state) {
    const Json response = observationResponse();
    for (auto _ : state) {
        auto text = wireText(response);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(jsonLinesWritesAnObservationOf600Elements)->Unit(benchmark::kMillisecond);

// What the session does with the sink's response: the whole line of the call's result, ready
// for its wire.
void mcpTranslatesAnObservationOf600Elements(benchmark::State& state) {
    const Json response = observationResponse();
    const Json id = 1;
    for (auto _ : state) {
        auto line = mcp::toolResultLine(id, response, mcp::ProtocolVersion::v2025_11_25);
        benchmark::DoNotOptimize(line);
    }
}
BENCHMARK(mcpTranslatesAnObservationOf600Elements)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace orvel
