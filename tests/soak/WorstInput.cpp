#include "WorstInput.hpp"

#include "MemoryBound.hpp"
#include "OrvelControlCore/Json.hpp"
#include "platform/ChildProcess.hpp"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <mutex>
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
std::string floodLine(const std::string& id) {
    std::string line = R"({"id":")" + id + R"(","op":"windows.list","pid":601,"pad":[0)";
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

} // namespace

int runWorstInput(const std::string& binary, const std::string& folder) {
    const std::string scenarioPath = folder + "/worst-scenario.json";
    std::ofstream(scenarioPath) << largestWindowScenario();
    auto child = platform::ChildProcess::start(binary, {}, {{"ORVEL_SIM_DESKTOP", scenarioPath}});
    if (!child) {
        std::fprintf(stderr, "orvel-soak: cannot start %s\n", binary.c_str());
        return 2;
    }
    std::mutex lock;
    std::set<std::string> answered;
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
            }
        }
    });
    const auto flood = [&](const std::string& prefix) {
        for (int i = 0; i < 48; ++i) {
            child->write(floodLine(prefix + std::to_string(i)));
        }
    };
    flood("f");
    int observed = 0;
    for (int i = 0; i < receipts + 8; ++i) {
        const std::string id = "w" + std::to_string(i);
        child->write(Json{{"id", id},
                          {"op", "observe"},
                          {"pid", 601},
                          {"windowId", 601},
                          {"depth", 14},
                          {"maxNodes", elements},
                          {"screenshot", true}}
                         .dump() +
                     "\n");
        for (auto until = std::chrono::steady_clock::now() + 60s;
             std::chrono::steady_clock::now() < until;) {
            {
                std::lock_guard guard(lock);
                if (answered.contains(id)) {
                    ++observed;
                    break;
                }
            }
            std::this_thread::sleep_for(5ms);
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

} // namespace orvel::soak
