// Request lines as an assistant (or anything writing to the program's standard input) could send
// them, through a whole engine on the simulated desktop, in process: the input is framed in
// chunks of varying size as the program's reader frames it, the engine admits, answers and
// halts as it would in the program, and the input's end halts control as "stop" does (or,
// after "shutdown", runs the program's own ending). Checked: every output line is a JSON
// object with its keys in order at every level; every handled line with a valid id gets
// exactly one response with that id and every other line one response without an id; no
// response names an id that was never sent; and nothing the program pressed is held after
// the halt or the ending.
//
// Besides libFuzzer's byte mutations, a mutator that knows the protocol rewrites one line of
// the input at a time: another operation, another action, a field of another type, a repeated
// or dropped line, so that valid requests are reached far more often than by bytes alone.
#include "Engine.hpp"
#include "FuzzCheck.hpp"
#include "FuzzDesktop.hpp"
#include "OrvelControlCore/Json.hpp"
#include "OrvelControlCore/Limits.hpp"
#include "OrvelControlCore/LineFramer.hpp"
#include "OrvelControlCore/Text.hpp"
#include "RequestStream.hpp"
#include "platform/sim/DefaultScenario.hpp"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

namespace {

using orvel::Json;
using orvel::fuzz::require;

// Inputs one desktop serves before a fresh one replaces it, so that what actions change on it
// (typed text, moved windows) stays small however long the run.
constexpr int inputsPerDesktop = 2000;
constexpr std::size_t longestId = 200;

// A response is booked as answered just before it is written, so the checks wait for the
// lines themselves, within a bound longer than any write takes.
constexpr auto writeBound = std::chrono::seconds(20);

// What the engine writes, kept whole for the checks after the input, with a count of the
// response lines (every line that is not an event) among it.
class CapturedOutput final : public orvel::platform::OutputChannel {
  public:
    std::optional<std::size_t> write(std::string_view bytes, Clock::time_point) override {
        std::lock_guard guard(lock_);
        for (char byte : bytes) {
            line_.push_back(byte);
            if (byte == '\n') {
                if (line_.rfind(R"({"event")", 0) != 0) {
                    ++responses_;
                }
                line_.clear();
            }
        }
        text_.append(bytes);
        written_.notify_all();
        return bytes.size();
    }

    // What was written since the last call, once `responses` response lines have been
    // written since then (or the bound has passed, for the checks to find what is missing).
    std::string take(int responses) {
        std::unique_lock guard(lock_);
        written_.wait_for(guard, writeBound, [&] { return responses_ >= responses; });
        responses_ = 0;
        return std::exchange(text_, {});
    }

  private:
    mutable std::mutex lock_;
    std::condition_variable written_;
    std::string text_;  // guarded by lock_
    std::string line_;  // guarded by lock_: the line being written
    int responses_ = 0; // guarded by lock_
};

// Keys strictly in order in every object, read from the bytes as written.
bool keysInOrder(const nlohmann::ordered_json& value) {
    if (value.is_object()) {
        const std::string* previous = nullptr;
        for (const auto& [key, member] : value.items()) {
            if (previous != nullptr && !(*previous < key)) {
                return false;
            }
            previous = &key;
            if (!keysInOrder(member)) {
                return false;
            }
        }
    }
    if (value.is_array()) {
        return std::all_of(value.begin(), value.end(),
                           [](const auto& member) { return keysInOrder(member); });
    }
    return true;
}

bool isValidId(const std::string& id) {
    return !id.empty() && orvel::text::prefixByteLength(id, longestId) == id.size();
}

// The responses the handled frames call for: how many with each id, how many without one.
struct Expected {
    std::map<std::string, int> withId;
    int withoutId = 0;

    int responses() const {
        int count = withoutId;
        for (const auto& [id, lines] : withId) {
            count += lines;
        }
        return count;
    }

    void frame(const orvel::Frame& frame) {
        if (frame.kind == orvel::Frame::Kind::overflow) {
            ++withoutId;
            return;
        }
        const auto request = orvel::parseJson(frame.bytes);
        const Json* id = nullptr;
        if (request && request->is_object() && request->contains("id")) {
            id = &request->at("id");
        }
        if (id != nullptr && id->is_string() && isValidId(id->get<std::string>())) {
            ++withId[orvel::text::nfc(id->get<std::string>())];
        } else {
            ++withoutId;
        }
    }
};

void checkOutput(const std::string& output, const Expected& expected) {
    std::map<std::string, int> withId;
    int withoutId = 0;
    std::size_t at = 0;
    while (at < output.size()) {
        const auto end = output.find('\n', at);
        require(end != std::string::npos, "every output line ends with a line feed");
        const std::string_view line(output.data() + at, end - at);
        at = end + 1;
        nlohmann::ordered_json value;
        try {
            value = nlohmann::ordered_json::parse(line);
        } catch (const std::exception&) {
            orvel::fuzz::violated("every output line is valid JSON", line);
        }
        require(value.is_object() && keysInOrder(value),
                "every output line is an object with sorted keys", line);
        if (value.contains("event")) {
            continue;
        }
        require(value.contains("id") && value["id"].is_string() && value.contains("ok"),
                "every response has an id and says whether it succeeded", line);
        const auto id = value["id"].get<std::string>();
        if (id.empty()) {
            ++withoutId;
        } else {
            ++withId[orvel::text::nfc(id)];
        }
    }
    for (const auto& [id, count] : withId) {
        const auto sent = expected.withId.find(id);
        require(sent != expected.withId.end(), "no response names an id that was never sent", id);
        require(count == sent->second, "no response is written twice", id);
    }
    for (const auto& [id, count] : expected.withId) {
        require(withId.contains(id), "every admitted id gets a response", id);
    }
    require(withoutId == expected.withoutId,
            "every line without a valid id gets exactly one response without one");
}

// One desktop and one engine serve many inputs, because starting them costs far more than an
// input. Between inputs the engine is halted (nothing may be held then) and resumed, which
// also forgets the observation, so that an input starts from the same state of the engine
// whatever came before it. The program's ending (halt, drain, release, exit) runs when an
// input asks for "shutdown" and whenever the engine is replaced, and is checked there.
class Session {
  public:
    void run(std::string_view input) {
        if (!desktop_ || inputs_ >= inputsPerDesktop) {
            endEngine();
            desktop_.reset();
            desktop_ = std::make_unique<orvel::fuzz::FuzzDesktop>(scenario());
            inputs_ = 0;
        }
        ++inputs_;
        // An id the engine has answered before would be answered from its receipt, and the
        // work behind it never run again: such an input gets a fresh engine.
        const auto ids = idsOf(input);
        if (engine_ && std::any_of(ids.begin(), ids.end(),
                                   [this](const auto& id) { return answeredIds_.contains(id); })) {
            endEngine();
        }
        if (!engine_) {
            startEngine();
        }
        answeredIds_.insert(ids.begin(), ids.end());
        output_->take(0);
        Expected expected;
        const bool shutDown = feed(input, expected);
        orvel::fuzz::waitUntilAnswered(*engine_);
        if (shutDown) {
            endEngine();
        } else {
            haltBetweenInputs();
        }
        checkOutput(output_->take(expected.responses()), expected);
    }

    ~Session() { endEngine(); }

  private:
    // The built-in desktop with its displays at scale 1: a screenshot then costs a quarter of
    // the pixels, and every path of the program that a screenshot takes stays the same.
    static std::string scenario() {
        Json parsed = Json::parse(orvel::sim::defaultScenarioText);
        for (auto& display : parsed.at("displays")) {
            display["scale"] = 1.0;
        }
        return parsed.dump();
    }

    static std::set<std::string> idsOf(std::string_view input) {
        Expected expected;
        orvel::LineFramer framer(orvel::Limits::requestBytes);
        for (const orvel::Frame& frame : framer.feed(input)) {
            expected.frame(frame);
        }
        std::set<std::string> ids;
        for (const auto& [id, count] : expected.withId) {
            ids.insert(id);
        }
        return ids;
    }

    void startEngine() {
        answeredIds_.clear();
        output_ = std::make_shared<CapturedOutput>();
        errors_ = std::make_shared<CapturedOutput>();
        exits_ = 0;
        orvel::EngineOptions options;
        options.out = output_;
        options.err = errors_;
        options.exitProcess = [this](int status) {
            require(status == 0, "the end of input ends the program with 0");
            ++exits_;
        };
        // The pauses a person's applications need cost the simulated desktop nothing.
        options.reactionTime = std::chrono::milliseconds(0);
        options.inputPacing = orvel::InputPacing{{}, {}, {}};
        engine_ = std::make_unique<orvel::Engine>(desktop_->platform(), desktop_->listener(),
                                                  desktop_->lockWatcher(), options);
        engine_->startWatchdog();
    }

    // Frames the input in the stream's chunks and hands each frame to the engine, as the
    // program's reader does; true when a "shutdown" ended the reading.
    bool feed(std::string_view input, Expected& expected) {
        orvel::fuzz::RequestStream stream(input, *engine_);
        orvel::LineFramer framer(orvel::Limits::requestBytes);
        for (std::size_t count = stream.read(buffer_.data(), buffer_.size()); count > 0;
             count = stream.read(buffer_.data(), buffer_.size())) {
            for (const orvel::Frame& frame : framer.feed(std::string_view(buffer_.data(), count))) {
                expected.frame(frame);
                if (!engine_->handleFrame(frame)) {
                    return true;
                }
            }
        }
        return false;
    }

    void haltBetweenInputs() {
        engine_->halt("requested");
        requireNothingHeld();
        engine_->immediate("resume", "", orvel::Json::object());
    }

    // The program's own ending, once, with nothing held after it.
    void endEngine() {
        if (!engine_) {
            return;
        }
        engine_->runReader([](char*, std::size_t) { return std::size_t{0}; });
        require(exits_ == 1, "the program ends once at the end of its input");
        engine_.reset();
        requireNothingHeld();
    }

    void requireNothingHeld() const {
        const auto held = desktop_->desktop().inputPressedByProgram();
        require(held.empty(), "nothing the program pressed is held after a halt");
    }

    std::unique_ptr<orvel::fuzz::FuzzDesktop> desktop_;
    std::unique_ptr<orvel::Engine> engine_;
    std::shared_ptr<CapturedOutput> output_;
    std::shared_ptr<CapturedOutput> errors_;
    int exits_ = 0;
    int inputs_ = 0;
    std::set<std::string> answeredIds_;
    // The stream's chunks are at most a few KiB; one buffer for every input.
    std::vector<char> buffer_ = std::vector<char>(8 * 1024);
};

// The protocol's vocabulary, for the mutator.
const std::vector<std::string>& operations() {
    static const std::vector<std::string> ops = {"ping",
                                                 "health",
                                                 "permissions.status",
                                                 "permissions.request",
                                                 "apps.list",
                                                 "windows.list",
                                                 "observe",
                                                 "act",
                                                 "stop",
                                                 "resume",
                                                 "release",
                                                 "cancel",
                                                 "shutdown"};
    return ops;
}

const std::vector<std::string>& actionTypes() {
    static const std::vector<std::string> types = {
        "ax.press",      "ax.setValue",    "ax.action",    "ax.focus", "pointer.hover",
        "pointer.click", "pointer.scroll", "pointer.drag", "key.type", "key.press"};
    return types;
}

Json someValue(std::mt19937& random) {
    switch (random() % 10) {
    case 0:
        return nullptr;
    case 1:
        return random() % 2 == 0;
    case 2:
        return static_cast<std::int64_t>(random()) - 2147483648LL;
    case 3:
        return static_cast<double>(random()) / 7.0;
    case 4:
        return std::string(random() % 300, 'x');
    case 5:
        return "@obs";
    case 6:
        return Json::array({1, "a"});
    case 7:
        return Json::object();
    case 8:
        return operations()[random() % operations().size()];
    default:
        return static_cast<std::int64_t>(random() % 1000);
    }
}

const std::vector<std::string>& fieldNames() {
    static const std::vector<std::string> names = {
        "id",         "op",        "pid",       "windowId", "bundleId",   "observationId",
        "mode",       "action",    "elementId", "x",        "y",          "text",
        "key",        "modifiers", "maxDepth",  "maxNodes", "screenshot", "target",
        "permission", "deltaY",    "value",     "reason"};
    return names;
}

void mutateRequest(Json& request, std::mt19937& random) {
    switch (random() % 6) {
    case 0:
        request["op"] = operations()[random() % operations().size()];
        return;
    case 1: {
        Json action = request.value("action", Json::object());
        if (!action.is_object()) {
            action = Json::object();
        }
        action["type"] = actionTypes()[random() % actionTypes().size()];
        request["action"] = action;
        request["op"] = "act";
        request["observationId"] = "@obs";
        return;
    }
    case 2:
        request[fieldNames()[random() % fieldNames().size()]] = someValue(random);
        return;
    case 3:
        if (request.contains("action") && request["action"].is_object()) {
            request["action"][fieldNames()[random() % fieldNames().size()]] = someValue(random);
        }
        return;
    case 4:
        if (!request.empty()) {
            auto member = request.begin();
            std::advance(member, random() % request.size());
            request.erase(member);
        }
        return;
    default:
        request["id"] = "r" + std::to_string(random() % 24);
        return;
    }
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        auto end = text.find('\n', at);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        lines.emplace_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

std::size_t mutateLines(std::uint8_t* data, std::size_t size, std::size_t maxSize,
                        unsigned int seed) {
    std::mt19937 random(seed);
    auto lines = splitLines(std::string_view(reinterpret_cast<const char*>(data), size));
    if (lines.empty()) {
        lines.emplace_back(R"({"id":"r0","op":"ping"})");
    }
    const std::size_t which = random() % lines.size();
    switch (random() % 5) {
    case 0:
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(which), lines[which]);
        break;
    case 1:
        if (lines.size() > 1) {
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(which));
        }
        break;
    case 2:
        std::swap(lines[which], lines[random() % lines.size()]);
        break;
    default: {
        auto request = orvel::parseJson(lines[which]);
        if (!request || !request->is_object()) {
            request = Json{{"id", "r" + std::to_string(random() % 24)}, {"op", "ping"}};
        }
        mutateRequest(*request, random);
        lines[which] = request->dump(-1, ' ', false, Json::error_handler_t::replace);
        break;
    }
    }
    std::string joined;
    for (const auto& line : lines) {
        joined += line;
        joined += '\n';
    }
    if (joined.size() > maxSize) {
        return LLVMFuzzerMutate(data, size, maxSize);
    }
    std::copy(joined.begin(), joined.end(), data);
    return joined.size();
}

} // namespace

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t maxSize, unsigned int seed) {
    // Half the time the bytes as libFuzzer mutates them, half the time one line rewritten.
    if (seed % 2 == 0) {
        return LLVMFuzzerMutate(data, size, maxSize);
    }
    return mutateLines(data, size, maxSize, seed / 2);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Session session;
    session.run(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
