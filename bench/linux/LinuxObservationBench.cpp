// Observing a real GTK window of about 1,500 elements on the private desktop session
// (tests/linux/apps/widget-grid.py): the program's observation as it runs, with the Linux
// desktop's bulk reads, against a plain walk that reads one attribute per call through the
// same service, in the same run. Each is timed for the observation the protocol allows (600
// elements) and for the whole window; the counters give the time per element and the CPU time
// the application itself spent answering, which bounds what any client can do.
//
// Run inside scripts/desktop-session (it needs DISPLAY and AT_SPI_BUS_ADDRESS).
#include "Accessibility.hpp"
#include "OrvelControlCore/Limits.hpp"
#include "linux/support/RunningApp.hpp"
#include "platform/linux/atspi/AtspiAccessibility.hpp"
#include "platform/linux/atspi/AtspiCalls.hpp"
#include "platform/linux/atspi/ReplyReaders.hpp"
#include "support/CountingAccessibility.hpp"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <unistd.h>

namespace orvel {
namespace {

// CPU time a process has used, in milliseconds (user and system, from /proc).
double cpuMilliseconds(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    auto close = line.rfind(')');
    if (close == std::string::npos) {
        return 0;
    }
    std::istringstream fields(line.substr(close + 2));
    std::string field;
    long user = 0;
    long system = 0;
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14) {
            user = std::stol(field);
        } else if (index == 15) {
            system = std::stol(field);
        }
    }
    return static_cast<double>(user + system) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

struct Session {
    std::unique_ptr<linuxdesktop::AtspiAccessibility> service;
    std::unique_ptr<testing::RunningApp> grid;
    WindowTarget target;
    int busDaemon = 0; // the accessibility bus's own process, which relays every message
};

// The pid of the bus daemon behind the accessibility bus; 0 when it does not say.
int busDaemonPid() {
    std::string error;
    auto bus = linuxdesktop::BusConnection::open(std::getenv("AT_SPI_BUS_ADDRESS"),
                                                 std::chrono::seconds(2), error);
    if (!bus) {
        return 0;
    }
    auto pid = linuxdesktop::readUint32(bus->call(
        linuxdesktop::calls::connectionPid(*bus, "org.freedesktop.DBus"), std::chrono::seconds(1)));
    return pid.ok() ? static_cast<int>(pid.value) : 0;
}

Session* session = nullptr;

void observeGrid(benchmark::State& state, bool bulk, int maxNodes) {
    if (session == nullptr) {
        state.SkipWithError("no private desktop session with the grid window");
        return;
    }
    // The counting service forwards every read and offers no observation reader of its own, so
    // the observation through it reads one attribute per call.
    testing::CountingAccessibility plain(*session->service);
    platform::AccessibilityService& service =
        bulk ? static_cast<platform::AccessibilityService&>(*session->service) : plain;
    Accessibility accessibility(service, "not trusted");
    std::size_t nodes = 0;
    double applicationCpu = 0;
    double daemonCpu = 0;
    double seconds = 0;
    for (auto _ : state) {
        double cpuBefore = cpuMilliseconds(session->grid->pid());
        double daemonBefore = session->busDaemon ? cpuMilliseconds(session->busDaemon) : 0;
        auto started = std::chrono::steady_clock::now();
        Deadline deadline(60.0, [] { return true; });
        auto record = accessibility.observe(session->grid->pid(), "widget-grid", session->target,
                                            Limits::depth, maxNodes, "obs-1-1", deadline);
        std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
        state.SetIterationTime(elapsed.count());
        seconds += elapsed.count();
        applicationCpu += cpuMilliseconds(session->grid->pid()) - cpuBefore;
        if (session->busDaemon) {
            daemonCpu += cpuMilliseconds(session->busDaemon) - daemonBefore;
        }
        nodes = record->order.size();
    }
    auto iterations = static_cast<double>(state.iterations());
    state.counters["nodes"] = static_cast<double>(nodes);
    state.counters["ms_per_node"] = seconds * 1000 / iterations / static_cast<double>(nodes);
    state.counters["app_cpu_ms"] = applicationCpu / iterations;
    state.counters["bus_cpu_ms"] = daemonCpu / iterations;
}

BENCHMARK_CAPTURE(observeGrid, bulk600, true, Limits::nodes)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK_CAPTURE(observeGrid, plain600, false, Limits::nodes)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(observeGrid, bulkWholeWindow, true, 5000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK_CAPTURE(observeGrid, plainWholeWindow, false, 5000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace
} // namespace orvel

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    orvel::Session session;
    if (std::getenv("AT_SPI_BUS_ADDRESS") != nullptr && std::getenv("DISPLAY") != nullptr) {
        session.service = orvel::linuxdesktop::AtspiAccessibility::fromEnvironment();
        session.service->isProcessTrusted(false);
        session.grid = orvel::testing::RunningApp::startTestApp(*session.service, "widget-grid.py",
                                                                "Rutenett");
        if (session.grid) {
            orvel::Accessibility accessibility(*session.service, "");
            auto frame = accessibility.frame(session.grid->window());
            if (frame) {
                session.target =
                    orvel::WindowTarget{1, session.grid->pid(), "Rutenett", *frame, 0, true};
                session.busDaemon = orvel::busDaemonPid();
                orvel::session = &session;
            }
        }
    }
    if (orvel::session == nullptr) {
        std::cerr << "orvel-linux-bench: run inside a private desktop session\n";
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
