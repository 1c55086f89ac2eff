// The soak: the built program on a desktop with faults, fed random requests of every operation
// in random chunk sizes, with stop, resume, release and cancel mixed in and the user taking
// over now and then. Checked: every request gets exactly one response, none is written twice,
// every stopped event holds no input and the desktop shows none held after each stop the soak
// asks for and at the end, the program's peak resident memory stays under the bound its limits
// give, and it exits 0 at the end of its input. Prints its counts; exits 1 on any violation.
//
// Usage: orvel-soak --binary PATH [--requests N] [--seed S] [--desktop sim|x11]
//                   [--scenarios DIR] [--folder DIR] [--app-pid PID] [--worst-input yes]
// --worst-input yes runs the worst-input memory check instead (see WorstInput.hpp), on the
// simulated desktop or, with --desktop x11, on the window of --app-pid.
// The x11 desktop is the private session the soak runs in (scripts/desktop-session), with the
// application of --app-pid stopped and continued at random.
#include "MemoryBound.hpp"
#include "OrvelControlCore/Json.hpp"
#include "RequestMix.hpp"
#include "SoakDesktop.hpp"
#include "WorstInput.hpp"
#include "platform/ChildProcess.hpp"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using orvel::Json;

struct Options {
    std::string binary;
    std::string desktop = "sim";
    std::string scenarios = ORVEL_SCENARIO_DIR;
    std::string folder = "/tmp";
    long requests = 2000;
    std::uint64_t seed = 1;
    int appPid = 0;
    bool worst = false;
};

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const std::string value = argv[i + 1];
        const std::map<std::string, std::function<void()>> setters = {
            {"--binary",
             [&] {
                 options.binary = value;
             }},
            {"--desktop",
             [&] {
                 options.desktop = value;
             }},
            {"--scenarios",
             [&] {
                 options.scenarios = value;
             }},
            {"--folder",
             [&] {
                 options.folder = value;
             }},
            {"--requests",
             [&] {
                 options.requests = std::stol(value);
             }},
            {"--seed",
             [&] {
                 options.seed = std::stoull(value);
             }},
            {"--app-pid",
             [&] {
                 options.appPid = std::stoi(value);
             }},
            {"--worst-input", [&] {
                 options.worst = value == "yes";
             }}};
        const auto setter = setters.find(key);
        if (setter == setters.end()) {
            throw std::invalid_argument("unknown option " + key);
        }
        setter->second();
    }
    return options;
}

// A field of a process's status in bytes (VmHWM: its peak resident memory); 0 once it is gone.
std::uint64_t statusField(int pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(field + ":")) {
            return std::stoull(line.substr(field.size() + 1)) * 1024;
        }
    }
    return 0;
}

// What the reader saw, shared with the writer.
struct Observed {
    std::mutex lock;
    std::condition_variable answered;
    std::map<std::string, int> responses; // by id, guarded by lock
    int withoutId = 0;
    long halts = 0;
    long takeovers = 0;
    std::map<std::string, long> errorCodes;
    // The first error of each code, whole, so that a count that looks wrong can be read.
    std::map<std::string, std::string> errorExamples;
    std::map<std::string, long> takeoverReasons;
    std::uint64_t peakResident = 0;
    std::vector<std::string> violations;

    void violation(const std::string& what) {
        if (violations.size() < 20) {
            violations.push_back(what);
        }
    }
};

void readOutput(orvel::platform::ChildProcess& child, Observed& seen, orvel::soak::RequestMix& mix,
                const std::atomic<bool>& inputClosed) {
    long lines = 0;
    for (;;) {
        auto line = child.readLine(inputClosed ? 15s : 1s);
        if (!line) {
            if (inputClosed) {
                return;
            }
            continue;
        }
        if (++lines % 200 == 0) {
            std::lock_guard guard(seen.lock);
            seen.peakResident = std::max(seen.peakResident, statusField(child.pid(), "VmHWM"));
        }
        const auto value = orvel::parseJson(*line);
        std::lock_guard guard(seen.lock);
        if (!value || !value->is_object()) {
            seen.violation("an output line that is not a JSON object: " + line->substr(0, 200));
            continue;
        }
        if (value->contains("event")) {
            if ((*value)["event"] == "stopped") {
                ++seen.halts;
                const Json payload = value->value("data", *value);
                const std::string reason = payload.value("reason", "");
                // Every other halt comes from the user or the desktop taking input back.
                static const std::set<std::string> asked = {"requested", "eof", "signal",
                                                            "parent_exited"};
                if (!asked.contains(reason)) {
                    ++seen.takeovers;
                    ++seen.takeoverReasons[reason];
                }
                const Json held = payload.value("heldInput", Json());
                const bool nothingHeld =
                    held.is_null() || held.empty() ||
                    (held.is_object() && held.value("keys", Json::array()).empty() &&
                     held.value("buttons", Json::array()).empty());
                if (!nothingHeld) {
                    seen.violation("a stopped event with input held: " + *line);
                }
            }
            continue;
        }
        const std::string id = value->value("id", "");
        if (id.empty()) {
            ++seen.withoutId;
        } else {
            ++seen.responses[id];
        }
        if (value->value("ok", false)) {
            const Json result = value->value("result", Json::object());
            // An observation's id, or the fresh observation an action ends with.
            const Json observation = result.value("observation", result);
            if (observation.contains("observationId") && observation["observationId"].is_string()) {
                mix.noteObservation(observation["observationId"]);
            }
            for (const auto& window : result.value("windows", Json::array())) {
                if (window.contains("pid") && window.contains("windowId") &&
                    window["pid"].is_number_integer() && window["windowId"].is_number_integer()) {
                    mix.noteWindow({window["pid"].get<std::int32_t>(),
                                    window["windowId"].get<std::uint32_t>()});
                }
            }
        } else {
            const std::string code = value->value("error", Json::object()).value("code", "?");
            ++seen.errorCodes[code];
            seen.errorExamples.emplace(code, line->substr(0, 400));
        }
        seen.answered.notify_all();
    }
}

std::size_t unanswered(Observed& seen, long sent) {
    return static_cast<std::size_t>(sent) - seen.responses.size();
}

} // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    if (options.binary.empty() || (options.desktop == "x11" && options.appPid <= 0)) {
        std::fprintf(stderr,
                     "usage: orvel-soak --binary PATH [--requests N] [--seed S] "
                     "[--desktop sim|x11 --app-pid PID] [--scenarios DIR] [--folder DIR]\n");
        return 2;
    }
    if (options.worst) {
        return options.desktop == "x11"
                   ? orvel::soak::runWorstInputOnX11(options.binary, options.appPid)
                   : orvel::soak::runWorstInput(options.binary, options.folder);
    }
    // The faults are timed: spread them over more time than the soak can take.
    const double seconds = 120.0 + static_cast<double>(options.requests) / 50.0;
    auto desktop = options.desktop == "x11"
                       ? orvel::soak::x11Desktop(options.appPid)
                       : orvel::soak::simulatedDesktop(options.scenarios, options.folder, seconds,
                                                       options.seed);
    if (!desktop) {
        std::fprintf(stderr, "orvel-soak: cannot reach the %s desktop\n", options.desktop.c_str());
        return 2;
    }
    orvel::soak::RequestMix mix(*desktop, options.seed);
    auto child = orvel::platform::ChildProcess::start(options.binary, {}, desktop->environment());
    if (!child) {
        std::fprintf(stderr, "orvel-soak: cannot start %s\n", options.binary.c_str());
        return 2;
    }
    const auto started = std::chrono::steady_clock::now();
    Observed seen;
    std::atomic<bool> inputClosed{false};
    // The writer and the reader use the child's input and output descriptors respectively and
    // nothing else of it, so that a full output pipe never blocks the input.
    std::thread reader([&] { readOutput(*child, seen, mix, inputClosed); });

    auto& random = mix.random();
    int junk = 0;
    long sent = 0;
    std::string pending;
    auto flush = [&] {
        while (!pending.empty()) {
            const std::size_t size = std::min<std::size_t>(
                pending.size(), random() % 8 == 0 ? 1 + random() % 16384 : 1 + random() % 200);
            child->write(std::string_view(pending).substr(0, size));
            pending.erase(0, size);
        }
    };
    while (sent < options.requests) {
        const int batch = 1 + static_cast<int>(random() % 12);
        bool stopAsked = false;
        std::string stopId;
        for (int i = 0; i < batch && sent < options.requests; ++i) {
            if (random() % 100 == 0) {
                pending += random() % 2 ? "{\"op\": \"ping\", \"id\": \n" : "[1,2,3]\n";
                ++junk;
            }
            const std::string op = mix.nextOperation();
            if (op == "act" && random() % 4 != 0) {
                // Most actions go out once the work before them is answered, so that they act on
                // the newest observation; the rest race it.
                flush();
                std::unique_lock guard(seen.lock);
                seen.answered.wait_for(guard, 5s, [&] { return unanswered(seen, sent) == 0; });
            }
            const Json request = mix.request(op);
            pending += request.dump() + "\n";
            ++sent;
            if (request["op"] == "stop") {
                stopAsked = true;
                stopId = request["id"];
                break;
            }
        }
        flush();
        desktop->disturb(random);
        std::unique_lock guard(seen.lock);
        if (stopAsked) {
            // Once the stop is answered nothing can press anything until a resume.
            seen.answered.wait_for(guard, 10s, [&] { return seen.responses.contains(stopId); });
            const auto held = desktop->heldInput();
            if (held && !held->empty()) {
                seen.violation("input held after the stop " + stopId + ": " + Json(*held).dump());
            }
        }
        // A batch and what is still in flight fit in the queue now and then, so that most requests
        // are run rather than refused as busy.
        seen.answered.wait_for(guard, 2s, [&] { return unanswered(seen, sent) <= 4; });
    }
    desktop->settle();
    child->closeInput();
    inputClosed = true;
    reader.join();
    const auto status = child->waitForExit(20s);
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    long responses = 0;
    for (long n = 1; n <= sent; ++n) {
        const std::string id = "s" + std::to_string(n);
        const auto found = seen.responses.find(id);
        const int count = found == seen.responses.end() ? 0 : found->second;
        responses += count;
        if (count != 1) {
            seen.violation(id + " answered " + std::to_string(count) + " times");
        }
    }
    if (seen.responses.size() != static_cast<std::size_t>(sent)) {
        seen.violation("responses name ids that were never sent");
    }
    if (seen.withoutId != junk) {
        seen.violation("lines without an id: " + std::to_string(junk) + " sent, " +
                       std::to_string(seen.withoutId) + " answered");
    }
    const auto held = desktop->heldInput();
    if (held && !held->empty()) {
        seen.violation("input held at the end: " + Json(*held).dump());
    }
    if (status != 0) {
        seen.violation("exit status " + (status ? std::to_string(*status) : std::string("none")));
    }
    if (seen.peakResident > orvel::soak::residentBound) {
        seen.violation("peak resident memory over the bound");
    }

    Json codes(seen.errorCodes);
    std::printf(
        "soak: %ld requests (+%d malformed lines), %ld responses, %ld halts, %ld takeovers, "
        "held input at the end: %s, peak RSS %.1f MiB (bound %.1f MiB), %.1f s\n",
        sent, junk, responses + seen.withoutId, seen.halts, seen.takeovers,
        held ? Json(*held).dump().c_str() : "unknown",
        static_cast<double>(seen.peakResident) / orvel::soak::mebibyte,
        static_cast<double>(orvel::soak::residentBound) / orvel::soak::mebibyte, elapsed);
    std::printf("soak: error codes %s\n", codes.dump().c_str());
    std::printf("soak: takeovers by reason %s\n", Json(seen.takeoverReasons).dump().c_str());
    for (const auto& [code, example] : seen.errorExamples) {
        std::printf("soak: first %s: %s\n", code.c_str(), example.c_str());
    }
    for (const auto& violation : seen.violations) {
        std::printf("soak: VIOLATION %s\n", violation.c_str());
    }
    return seen.violations.empty() ? 0 : 1;
}
