#include "WorstInput.hpp"

#include "MemoryBound.hpp"
#include "OrvelControlCore/Json.hpp"
#include "platform/ChildProcess.hpp"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

namespace orvel::soak {

namespace {

using namespace std::chrono_literals;

constexpr int elements = 600;
constexpr int receipts = 64;
constexpr std::size_t lineBytes = 1048576;

// Text longer than the 512 characters kept, of three-byte characters.
std::string longText(char tag) {
    std::string text(1, tag);
    for (int i = 0; i < 600; ++i) {
        text += "\u20AC";
    }
    return text;
}

std::string largestWindowScenario() {
    const Json frame{{"x", 0}, {"y", 0}, {"width", 1512}, {"height", 982}};
    Json children = Json::array();
    for (int i = 1; i < elements + 10; ++i) {
        const Json place{{"x", (i % 40) * 37}, {"y", (i / 40) * 60}, {"width", 36}, {"height", 50}};
        children.push_back({{"id", "t" + std::to_string(i)},
                            {"role", "AXStaticText"},
                            {"title", longText('t')},
                            {"description", longText('d')},
                            {"label", longText('l')},
                            {"value", longText('v')},
                            {"frame", place}});
    }
    Json scenario{
        {"displays", Json::array({{{"frame", frame}, {"scale", 2.0}}})},
        {"apps", Json::array({{{"pid", 601}, {"bundleId", "com.example.big"}, {"name", "Stor"}}})},
        {"windows", Json::array({{{"windowId", 601},
                                  {"pid", 601},
                                  {"title", longText('w')},
                                  {"frame", frame},
                                  {"tree",
                                   {{"id", "big-window"},
                                    {"role", "AXWindow"},
                                    {"frame", frame},
                                    {"children", children}}}}})}};
    return scenario.dump();
}

// A request line of the largest size whose parsed form has the most values: "0," per value.
std::string floodLine(const std::string& id, std::int32_t pid) {
    std::string line = R"({"id":")" + id + R"(","op":"windows.list","pid":)" + std::to_string(pid) +
                       R"(,"pad":[0)";
    line.reserve(lineBytes + 1);
    while (line.size() + 4 < lineBytes) {
        line += ",0";
    }
    line += "]}\n";
    return line;
}

std::uint64_t peakResident(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmHWM:")) {
            return std::stoull(line.substr(6)) * 1024;
        }
    }
    return 0;
}

// The run against one window of `pid` on the desktop that `environment` reaches: its first
// window when `windowId` is absent, as windows.list gives it.
int runOn(const std::string& binary, const std::map<std::string, std::string>& environment,
          std::int32_t pid, std::optional<std::uint32_t> windowId) {
    auto child = platform::ChildProcess::start(binary, {}, environment);
    if (!child) {
        std::fprintf(stderr, "orvel-soak: cannot start %s\n", binary.c_str());
        return 2;
    }
    std::mutex lock;
    std::condition_variable arrived;
    std::set<std::string> answered;
    Json listed;
    std::size_t largestLine = 0;
    std::atomic<bool> closed{false};
    std::thread reader([&] {
        for (;;) {
            auto line = child->readLine(closed ? 20s : 1s);
            if (!line) {
                if (closed) {
                    return;
                }
                continue;
            }
            const auto value = parseJson(*line);
            std::lock_guard guard(lock);
            largestLine = std::max(largestLine, line->size());
            if (value && value->is_object() && value->contains("id")) {
                answered.insert(value->value("id", ""));
                if (value->value("id", "") == "list") {
                    listed = *value;
                }
            }
            arrived.notify_all();
        }
    });
    const auto awaitAnswer = [&](const std::string& id) {
        std::unique_lock guard(lock);
        return arrived.wait_for(guard, 60s, [&] { return answered.contains(id); });
    };
    if (!windowId) {
        child->write(Json{{"id", "list"}, {"op", "windows.list"}, {"pid", pid}}.dump() + "\n");
        awaitAnswer("list");
        std::lock_guard guard(lock);
        const Json windows = listed.value("result", Json::object()).value("windows", Json());
        if (windows.is_array() && !windows.empty() && windows[0].contains("windowId")) {
            windowId = windows[0]["windowId"].get<std::uint32_t>();
        }
    }
    if (!windowId) {
        std::fprintf(stderr, "orvel-soak: no window of pid %d\n", pid);
        child->closeInput();
        closed = true;
        reader.join();
        child->waitForExit(20s);
        return 2;
    }
    const auto flood = [&](const std::string& prefix) {
        for (int i = 0; i < 48; ++i) {
            child->write(floodLine(prefix + std::to_string(i), pid));
        }
    };
    flood("f");
    int observed = 0;
    for (int i = 0; i < receipts + 8; ++i) {
        const std::string id = "w" + std::to_string(i);
        child->write(Json{{"id", id},
                          {"op", "observe"},
                          {"pid", pid},
                          {"windowId", *windowId},
                          {"depth", 14},
                          {"maxNodes", elements},
                          {"screenshot", true}}
                         .dump() +
                     "\n");
        if (awaitAnswer(id)) {
            ++observed;
        }
    }
    flood("g");
    std::this_thread::sleep_for(2s);
    const std::uint64_t peak = peakResident(child->pid());
    child->closeInput();
    closed = true;
    reader.join();
    const auto status = child->waitForExit(20s);
    std::printf("worst input: %d of %d maximal observations answered, largest line %.1f MiB, peak "
                "RSS %.1f MiB (bound %.1f MiB), exit %d\n",
                observed, receipts + 8, static_cast<double>(largestLine) / mebibyte,
                static_cast<double>(peak) / mebibyte, static_cast<double>(residentBound) / mebibyte,
                status.value_or(-1));
    return observed == receipts + 8 && peak <= residentBound && status == 0 ? 0 : 1;
}

} // namespace

int runWorstInput(const std::string& binary, const std::string& folder) {
    const std::string scenarioPath = folder + "/worst-scenario.json";
    std::ofstream(scenarioPath) << largestWindowScenario();
    return runOn(binary, {{"ORVEL_SIM_DESKTOP", scenarioPath}}, 601, 601);
}

int runWorstInputOnX11(const std::string& binary, std::int32_t appPid) {
    return runOn(binary, {{"ORVEL_DESKTOP", "x11"}}, appPid, std::nullopt);
}

} // namespace orvel::soak
