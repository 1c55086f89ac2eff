// Request lines as an assistant (or anything writing to the program's standard input) could send
// them, through a whole engine on the simulated desktop, in process: the reader frames the
// input in chunks of varying size, the engine admits, answers and halts as it would in the
// program, and the input's end runs the program's own ending. Checked: every output line is a
// JSON object with its keys in order at every level; every handled line with a valid id gets
// exactly one response with that id and every other line one response without an id; no
// response names an id that was never sent; and nothing the program pressed is still held.
//
// Besides libFuzzer's byte mutations, a mutator that knows the protocol rewrites one line of
// the input at a time: another operation, another action, a field of another type, a repeated
// or dropped line, so that valid requests are reached far more often than by bytes alone.
#include "Engine.hpp"
#include "FuzzCheck.hpp"
#include "FuzzDesktop.hpp"
#include "OrvelControlCore/Json.hpp"
#include "OrvelControlCore/LineFramer.hpp"
#include "OrvelControlCore/Text.hpp"
#include "RequestStream.hpp"
#include "platform/sim/DefaultScenario.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <vector>

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

namespace {

using orvel::Json;
using orvel::fuzz::require;

// Inputs one desktop serves before a fresh one replaces it, so that what actions change on it
// (typed text, moved windows) stays small however long the run.
constexpr int inputsPerDesktop = 2000;
constexpr std::size_t longestId = 200;

// What the engine writes, kept whole for the checks after the input.
class CapturedOutput final : public orvel::platform::OutputChannel {
  public:
    std::optional<std::size_t> write(std::string_view bytes, Clock::time_point) override {
        std::lock_guard guard(lock_);
        text_.append(bytes);
        return bytes.size();
    }

    std::string text() const {
        std::lock_guard guard(lock_);
        return text_;
    }

  private:
    mutable std::mutex lock_;
    std::string text_; // guarded by lock_
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

// One desktop serves many inputs; each input gets an engine of its own, because the ending it
// runs at the end of the input (halt, drain, release, close) is part of what is checked and
// leaves an engine that has ended. An engine costs a few threads, a few milliseconds with
// the sanitizers, against the hundreds a desktop costs.
class Session {
  public:
    void run(std::string_view input) {
        if (!desktop_ || ++inputs_ > inputsPerDesktop) {
            desktop_.reset();
            desktop_ = std::make_unique<orvel::fuzz::FuzzDesktop>(
                std::string(orvel::sim::defaultScenarioText));
            inputs_ = 1;
        }
        auto output = std::make_shared<CapturedOutput>();
        auto errors = std::make_shared<CapturedOutput>();
        int exits = 0;
        orvel::EngineOptions options;
        options.out = output;
        options.err = errors;
        options.exitProcess = [&exits](int status) {
            require(status == 0, "the end of input ends the program with 0");
            ++exits;
        };
        // The pauses a person's applications need cost the simulated desktop nothing.
        options.reactionTime = std::chrono::milliseconds(0);
        options.inputPacing = orvel::InputPacing{{}, {}, {}};
        Expected expected;
        {
            orvel::Engine engine(desktop_->platform(), desktop_->listener(),
                                 desktop_->lockWatcher(), options);
            orvel::fuzz::RequestStream stream(input, engine);
            engine.runReader(
                [&stream](char* buffer, std::size_t size) { return stream.read(buffer, size); },
                [&engine, &expected](const orvel::Frame& frame) {
                    expected.frame(frame);
                    return engine.handleFrame(frame);
                });
        }
        require(exits == 1, "the program ends once at the end of its input");
        const auto held = desktop_->desktop().inputPressedByProgram();
        require(held.empty(), "nothing the program pressed is held when the input ends");
        checkOutput(output->text(), expected);
    }

  private:
    std::unique_ptr<orvel::fuzz::FuzzDesktop> desktop_;
    int inputs_ = 0;
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
