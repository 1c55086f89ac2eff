#include "SoakDesktop.hpp"

#include "OrvelControlCore/Json.hpp"

#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

namespace orvel::soak {

namespace {

// A fault every this many seconds of the soak, in turn.
constexpr double faultSpacing = 0.5;

Json readJson(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return Json::parse(text.str());
}

// The default desktop with a slow app and a hung one (whose every message outlasts the
// messaging time-out), a slow element, and timed faults spread over the soak.
Json faultScenario(const std::string& scenarioDir, double seconds, std::uint64_t seed) {
    Json scenario = readJson(scenarioDir + "/default.json");
    for (auto& app : scenario["apps"]) {
        if (app["pid"] == 502) {
            app["latency"] = 0.02;
        }
    }
    scenario["apps"].push_back(
        {{"pid", 505}, {"bundleId", "com.example.hung"}, {"name", "Heng"}, {"latency", 5.0}});
    scenario["windows"].push_back(
        {{"windowId", 501},
         {"pid", 505},
         {"title", "Heng"},
         {"frame", {{"x", 900}, {"y", 500}, {"width", 400}, {"height", 300}}},
         {"tree",
          {{"id", "hung-window"},
           {"role", "AXWindow"},
           {"frame", {{"x", 900}, {"y", 500}, {"width", 400}, {"height", 300}}}}}});
    std::mt19937_64 random(seed);
    const std::vector<std::string> vanishing = {"item-row-4",      "item-text-3", "calendar-event",
                                                "calendar-day-24", "save-status", "done-checkbox",
                                                "terminal-text",   "more-button"};
    Json script = Json::array();
    int step = 0;
    for (double at = faultSpacing; at < seconds; at += faultSpacing, ++step) {
        Json action;
        switch (step % 10) {
        case 0:
            action = {{"lock", true}};
            break;
        case 1:
            action = {{"lock", false}};
            break;
        case 2:
            action = {
                {"permissions",
                 {{"accessibility", false}, {"screenRecording", true}, {"inputMonitoring", true}}}};
            break;
        case 3:
            action = {
                {"permissions",
                 {{"accessibility", true}, {"screenRecording", true}, {"inputMonitoring", true}}}};
            break;
        case 4:
            action = {{"tapDisabled", random() % 2 ? "timeout" : "user_input"}};
            break;
        case 5:
            action = {{"userInput", random() % 2 ? "mouseMoved" : "keyDown"}};
            break;
        case 6:
            action = {{"moveWindow",
                       {{"windowId", random() % 2 ? 101 : 201},
                        {"dx", static_cast<int>(random() % 7) - 3},
                        {"dy", static_cast<int>(random() % 7) - 3}}}};
            break;
        case 7:
            action = {{"session", {{"kCGSSessionOnConsoleKey", false}}}};
            break;
        case 8:
            action = {
                {"session", {{"kCGSSessionOnConsoleKey", true}, {"kCGSessionLoginDoneKey", true}}}};
            break;
        default:
            action = step / 10 < static_cast<int>(vanishing.size())
                         ? Json{{"remove", vanishing[step / 10]}}
                         : Json{{"userInput", "leftMouseDown"}};
        }
        script.push_back({{"at", at}, {"do", action}});
    }
    // The user takes over in the middle of the program's own input, now and then: right after
    // some of its pointer moves, presses and typed keys.
    const std::vector<std::pair<const char*, int>> takeovers = {
        {"mouseMoved", 3}, {"leftMouseDown", 2}, {"keyDown", 11}};
    for (const auto& [kind, every] : takeovers) {
        for (int count = every; count < 2000 * every; count += every) {
            script.push_back({{"when", {{"posted", kind}, {"count", count}}},
                              {"do", {{"userInput", random() % 2 ? "mouseMoved" : "keyDown"}}}});
        }
    }
    scenario["script"] = script;
    return scenario;
}

class SimulatedSoakDesktop final : public SoakDesktop {
  public:
    SimulatedSoakDesktop(std::string scenarioPath, std::string eventLogPath)
        : scenarioPath_(std::move(scenarioPath)), eventLogPath_(std::move(eventLogPath)) {}

    std::map<std::string, std::string> environment() const override {
        return {{"ORVEL_SIM_DESKTOP", scenarioPath_}, {"ORVEL_SIM_EVENT_LOG", eventLogPath_}};
    }
    std::vector<std::int32_t> pids() const override { return {501, 502, 503, 504, 505, 9999}; }
    std::vector<WindowRef> windows() const override {
        return {{501, 101}, {502, 201}, {501, 102}, {503, 301}, {505, 501}, {501, 7}};
    }
    void disturb(std::mt19937_64&) override {}
    void settle() override {}

    // Replays the log from where the last call stopped: the program's downs and ups, keys by
    // code and buttons by kind. Only whole lines count; the rest is read next time.
    std::optional<std::vector<std::string>> heldInput() const override {
        std::ifstream log(eventLogPath_, std::ios::binary);
        log.seekg(readUpTo_);
        std::string line;
        while (std::getline(log, line) && !log.eof()) {
            readUpTo_ += static_cast<std::streamoff>(line.size() + 1);
            note(line);
        }
        return std::vector<std::string>(held_.begin(), held_.end());
    }

  private:
    void note(const std::string& line) const {
        const auto entry = parseJson(line);
        if (!entry || entry->value("source", "") != "program") {
            return;
        }
        const std::string kind = entry->value("kind", "");
        if (kind == "keyDown" || kind == "keyUp") {
            const std::string key = "key " + std::to_string(entry->value("keyCode", -1));
            kind == "keyDown" ? (void)held_.insert(key) : (void)held_.erase(key);
        } else if (kind.ends_with("MouseDown") || kind.ends_with("MouseUp")) {
            const std::string button = "button " + std::to_string(entry->value("button", -1));
            kind.ends_with("Down") ? (void)held_.insert(button) : (void)held_.erase(button);
        }
    }

  private:
    std::string scenarioPath_;
    std::string eventLogPath_;
    mutable std::streamoff readUpTo_ = 0;
    mutable std::set<std::string> held_;
};

} // namespace

std::unique_ptr<SoakDesktop> simulatedDesktop(const std::string& scenarioDir,
                                              const std::string& folder, double seconds,
                                              std::uint64_t seed) {
    const std::string scenarioPath = folder + "/soak-scenario.json";
    const std::string eventLogPath = folder + "/soak-events.jsonl";
    std::ofstream(scenarioPath) << faultScenario(scenarioDir, seconds, seed).dump();
    std::ofstream(eventLogPath, std::ios::trunc).flush();
    return std::make_unique<SimulatedSoakDesktop>(scenarioPath, eventLogPath);
}

} // namespace orvel::soak
