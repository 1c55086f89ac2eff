// Runs a scripted session against the program, as its client would: starts it, sends each
// request of a session file, and prints every request and every line the program writes,
// so a newcomer can watch the protocol work. Screenshots are written next to the output
// as PNG files, and their Base64 text is shortened in what is printed.
//
// Usage: orvel-demo <program> <session.jsonl> <output folder>
// A session line is a request object; a line {"pause": seconds} waits; a line {"user":
// [command, arguments...]} starts that command beside the program, as the person at the desktop
// doing something while the next request runs; a line starting with "#" is printed as a
// comment. In a request, "{{observation}}" stands for the id of the
// latest observation the program returned, "{{element:TEXT}}" for the id of the element of
// that observation whose label (or else value) is TEXT, and "{{x:TEXT}}", "{{y:TEXT}}" for the
// middle of that element in window points.
#include "OrvelControlCore/Json.hpp"
#include "platform/ChildProcess.hpp"

#include <openssl/evp.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using orvel::Json;

constexpr std::size_t shownCharacters = 60;

std::vector<unsigned char> decodeBase64(const std::string& text) {
    std::vector<unsigned char> bytes(3 * ((text.size() + 3) / 4));
    int length = EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                 static_cast<int>(text.size()));
    if (length < 0) {
        return {};
    }
    std::size_t padding = text.size() >= 2 ? std::count(text.end() - 2, text.end(), '=') : 0;
    bytes.resize(static_cast<std::size_t>(length) - padding);
    return bytes;
}

// Saves every screenshot of a response and shortens its data for printing.
void saveScreenshots(Json& value, const std::filesystem::path& folder, const std::string& name) {
    if (value.is_object()) {
        for (auto& [key, item] : value.items()) {
            if (key == "screenshot" && item.is_object() && item.contains("data") &&
                item["data"].is_string()) {
                auto path = folder / (name + ".png");
                auto bytes = decodeBase64(item["data"].get<std::string>());
                std::ofstream(path, std::ios::binary)
                    .write(reinterpret_cast<const char*>(bytes.data()),
                           static_cast<std::streamsize>(bytes.size()));
                std::cout << "   (screenshot saved to " << path.string() << ", " << bytes.size()
                          << " bytes)\n";
                auto size = item["data"].get<std::string>().size();
                item["data"] = item["data"].get<std::string>().substr(0, shownCharacters) + "… (" +
                               std::to_string(size) + " characters of Base64)";
            } else {
                saveScreenshots(item, folder, name);
            }
        }
    } else if (value.is_array()) {
        for (auto& item : value) {
            saveScreenshots(item, folder, name);
        }
    }
}

// The latest observation in a response, if it carries one.
const Json* observationIn(const Json& response) {
    if (!response.is_object() || !response.contains("result") || !response["result"].is_object()) {
        return nullptr;
    }
    const Json& result = response["result"];
    if (result.contains("elements")) {
        return &result;
    }
    if (result.contains("observation") && result["observation"].is_object()) {
        return &result["observation"];
    }
    return nullptr;
}

// Labels win over values, so "{{element:PIN-kode}}" names the field, not its caption.
const Json* elementWithText(const Json& observation, const std::string& text) {
    const auto elements = observation.find("elements");
    if (elements == observation.end() || !elements->is_array()) {
        std::cerr << "no elements to find " << text << " in\n";
        return nullptr;
    }
    for (const char* key : {"label", "value"}) {
        for (const auto& element : *elements) {
            if (element.value(key, "") == text) {
                return &element;
            }
        }
    }
    std::cerr << "no element shows " << text << "\n";
    return nullptr;
}

// What a placeholder "{{kind:TEXT}}" stands for: the element's id ("element"), or the middle
// of its frame in window points ("x", "y").
std::string elementPlaceholder(const std::string& kind, const Json& observation,
                               const std::string& text) {
    const Json* element = elementWithText(observation, text);
    if (element == nullptr) {
        return "";
    }
    if (kind == "element") {
        return element->value("id", "");
    }
    const Json frame = element->value("frame", Json::object());
    const bool across = kind == "x";
    const double start = frame.value(across ? "x" : "y", 0.0);
    const double length = frame.value(across ? "width" : "height", 0.0);
    return std::to_string(static_cast<long>(start + length / 2));
}

// Fills in the placeholders of a session line from the latest observation.
std::string substitute(std::string text, const Json& observation) {
    const std::string observationMark = "{{observation}}";
    for (auto at = text.find(observationMark); at != std::string::npos;
         at = text.find(observationMark)) {
        text.replace(at, observationMark.size(), observation.value("observationId", ""));
    }
    for (const std::string kind : {"element", "x", "y"}) {
        const std::string mark = "{{" + kind + ":";
        for (auto at = text.find(mark); at != std::string::npos; at = text.find(mark)) {
            auto end = text.find("}}", at);
            if (end == std::string::npos) {
                break;
            }
            std::string wanted = text.substr(at + mark.size(), end - at - mark.size());
            text.replace(at, end + 2 - at, elementPlaceholder(kind, observation, wanted));
        }
    }
    return text;
}

void printLine(const std::string& prefix, const std::string& line,
               const std::filesystem::path& folder, int& screenshots) {
    Json parsed = Json::parse(line, nullptr, false);
    if (parsed.is_discarded()) {
        std::cout << prefix << line << "\n";
        return;
    }
    std::string before = parsed.dump();
    saveScreenshots(parsed, folder, "screenshot-" + std::to_string(screenshots + 1));
    if (parsed.dump() != before) {
        ++screenshots;
    }
    std::cout << prefix << parsed.dump() << "\n";
}

// One plain line with what an action's answer says, as the assistant would read it.
void printOutcome(const Json& response) {
    if (!response.is_object()) {
        return;
    }
    if (response.value("ok", true) == false && response.contains("error")) {
        std::cout << "   => refused: " << response["error"].value("message", "") << "\n";
        return;
    }
    const Json& result = response.value("result", Json::object());
    if (!result.is_object() || !result.contains("submitted")) {
        return;
    }
    std::cout << "   => submitted; changed: "
              << (result.contains("changed") ? result["changed"].dump() : "unknown")
              << "; uncertainty: " << result.value("uncertainty", Json()).dump() << "\n";
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: orvel-demo <program> <session.jsonl> <output folder>\n";
        return 2;
    }
    std::filesystem::path folder(argv[3]);
    std::filesystem::create_directories(folder);
    std::ifstream session(argv[2]);
    if (!session) {
        std::cerr << "cannot read " << argv[2] << "\n";
        return 2;
    }
    auto program = orvel::platform::ChildProcess::start(
        argv[1], {}, {{"ORVEL_SIM_EVENT_LOG", (folder / "events.jsonl").string()}});
    if (!program) {
        std::cerr << "cannot start " << argv[1] << "\n";
        return 2;
    }
    int screenshots = 0;
    std::unique_ptr<orvel::platform::ChildProcess> person;
    Json observation = Json::object();
    std::string text;
    bool inComment = false;
    while (std::getline(session, text)) {
        if (text.empty() || text[0] == '#') {
            if (!text.empty()) {
                std::cout << (inComment ? "" : "\n") << text << "\n";
                inComment = true;
            }
            continue;
        }
        inComment = false;
        text = substitute(text, observation);
        Json request = Json::parse(text, nullptr, false);
        if (request.is_object() && request.contains("user")) {
            std::vector<std::string> command = request["user"].get<std::vector<std::string>>();
            std::cout << "   (the person at the desktop: " << text << ")\n";
            const std::string path = command.front();
            command.erase(command.begin());
            person = orvel::platform::ChildProcess::start(path, command);
            continue;
        }
        if (request.is_object() && request.contains("pause")) {
            std::this_thread::sleep_for(
                std::chrono::duration<double>(request["pause"].get<double>()));
            continue;
        }
        std::cout << "-> " << text << "\n";
        program->write(text + "\n");
        std::string id = request.is_object() ? request.value("id", "") : "";
        for (;;) {
            auto line = program->readLine(30s);
            if (!line) {
                std::cout << "   (no answer within 30 seconds)\n";
                break;
            }
            Json parsed = Json::parse(*line, nullptr, false);
            bool isEvent = parsed.is_object() && parsed.contains("event");
            printLine(isEvent ? "<~ " : "<- ", *line, folder, screenshots);
            if (const Json* latest = observationIn(parsed)) {
                observation = *latest;
            }
            printOutcome(parsed);
            if (!isEvent && parsed.is_object() && parsed.value("id", "") == id) {
                break;
            }
        }
    }
    if (person) {
        person->waitForExit(5s);
    }
    program->closeInput();
    while (auto line = program->readLine(5s)) {
        printLine("<~ ", *line, folder, screenshots);
    }
    auto status = program->waitForExit(5s);
    std::cout << "\nThe program exited with status "
              << (status ? std::to_string(*status) : "unknown") << ".\n";
    // Only the simulated desktop keeps an event log; a real one has none to show.
    if (std::filesystem::exists(folder / "events.jsonl")) {
        std::cout << "Events it posted to the simulated desktop: "
                  << (folder / "events.jsonl").string() << "\n";
    }
    return status == 0 ? 0 : 1;
}
