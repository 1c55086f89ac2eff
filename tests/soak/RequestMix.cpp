#include "RequestMix.hpp"

#include <algorithm>

namespace orvel::soak {

namespace {

const std::vector<std::pair<const char*, int>>& weightedOps() {
    static const std::vector<std::pair<const char*, int>> ops = {{"ping", 4},
                                                                 {"health", 3},
                                                                 {"permissions.status", 3},
                                                                 {"permissions.request", 1},
                                                                 {"apps.list", 4},
                                                                 {"windows.list", 5},
                                                                 {"observe", 22},
                                                                 {"act", 40},
                                                                 {"stop", 3},
                                                                 {"resume", 6},
                                                                 {"release", 3},
                                                                 {"cancel", 3},
                                                                 {"bogus.op", 1}};
    return ops;
}

} // namespace

RequestMix::RequestMix(const SoakDesktop& desktop, std::uint64_t seed)
    : random_(seed), pids_(desktop.pids()), windows_(desktop.windows()) {}

void RequestMix::noteObservation(const std::string& observationId) {
    std::lock_guard guard(lock_);
    observationId_ = observationId;
}

void RequestMix::noteWindow(WindowRef window) {
    std::lock_guard guard(lock_);
    const bool known = std::any_of(windows_.begin(), windows_.end(), [&](const WindowRef& seen) {
        return seen.pid == window.pid && seen.windowId == window.windowId;
    });
    if (!known && windows_.size() < 64) {
        windows_.push_back(window);
    }
}

WindowRef RequestMix::someWindow() {
    std::lock_guard guard(lock_);
    if (windows_.empty()) {
        return {pids_.front(), 1};
    }
    // Most observations are of the window most worth acting in, so that actions reach input.
    return windows_[random_() % 3 != 0 ? 0 : random_() % windows_.size()];
}

std::string RequestMix::nextOperation() {
    int total = 0;
    for (const auto& [op, weight] : weightedOps()) {
        total += weight;
    }
    int pick = static_cast<int>(random_() % static_cast<std::uint64_t>(total));
    std::string op;
    for (const auto& [name, weight] : weightedOps()) {
        if (pick < weight) {
            op = name;
            break;
        }
        pick -= weight;
    }
    // Most stops are followed by a resume soon, so that the soak spends most of its time
    // acting rather than halted.
    if (stopped_ && random_() % 2 == 0) {
        op = "resume";
    }
    stopped_ = op == "stop";
    return op;
}

Json RequestMix::request(const std::string& op) {
    Json request{{"id", "s" + std::to_string(++count_)}};
    request["op"] = op;
    if (op == "permissions.request") {
        request["permission"] = random_() % 2 ? "accessibility" : "screenRecording";
    } else if (op == "windows.list") {
        request["pid"] = pids_[random_() % pids_.size()];
    } else if (op == "observe") {
        return observe(std::move(request));
    } else if (op == "act") {
        return act(std::move(request));
    } else if (op == "cancel") {
        request["target"] = "s" + std::to_string(count_ - 1 - random_() % 4);
    }
    return request;
}

Json RequestMix::observe(Json request) {
    const WindowRef window = someWindow();
    request["pid"] = window.pid;
    request["windowId"] = window.windowId;
    request["depth"] = 1 + static_cast<int>(random_() % 14);
    request["maxNodes"] = 1 + static_cast<int>(random_() % 600);
    if (random_() % 8 == 0) {
        request["screenshot"] = true;
    }
    return request;
}

Json RequestMix::act(Json request) {
    {
        std::lock_guard guard(lock_);
        request["observationId"] = random_() % 10 == 0 ? std::string("obs-3-17") : observationId_;
    }
    request["mode"] = random_() % 2 ? "background" : "foreground";
    request["action"] = action();
    return request;
}

Json RequestMix::action() {
    const std::string element = "e" + std::to_string(1 + random_() % 30);
    // Mostly inside the notes window, sometimes anywhere on the screen.
    const bool inside = random_() % 4 != 0;
    const int x =
        inside ? 120 + static_cast<int>(random_() % 760) : static_cast<int>(random_() % 1500);
    const int y =
        inside ? 100 + static_cast<int>(random_() % 560) : static_cast<int>(random_() % 980);
    switch (random_() % 10) {
    case 0:
        return {{"type", "ax.press"}, {"elementId", element}};
    case 1:
        return {{"type", "ax.setValue"},
                {"elementId", element},
                {"value", std::string(random_() % 40, 'v')}};
    case 2:
        return {{"type", "ax.action"}, {"elementId", element}, {"action", "AXRaise"}};
    case 3:
        return {{"type", "ax.focus"}, {"elementId", element}};
    case 4:
        return {{"type", "pointer.click"}, {"x", x}, {"y", y}, {"clickCount", 1 + random_() % 3}};
    case 5:
        return {{"type", "pointer.scroll"}, {"x", x}, {"y", y}, {"deltaY", -3}};
    case 6:
        return {{"type", "pointer.drag"},
                {"from", {{"x", x}, {"y", y}}},
                {"to", {{"x", x + 20}, {"y", y + 10}}}};
    case 7:
        return {{"type", "key.type"}, {"text", std::string(1 + random_() % 30, 'k')}};
    case 8:
        return {{"type", "key.press"},
                {"key", random_() % 2 ? "a" : "return"},
                {"modifiers", random_() % 2 ? Json::array({"cmd"}) : Json::array()}};
    default:
        return {{"type", "pointer.hover"}, {"x", x}, {"y", y}};
    }
}

} // namespace orvel::soak
