#include "linux/support/ProgramClient.hpp"

#include <gtest/gtest.h>

namespace orvel::testing {

using namespace std::chrono_literals;

ProgramClient::ProgramClient(std::map<std::string, std::string> environment,
                             const std::string& binary) {
    environment.emplace("ORVEL_DESKTOP", "x11");
    child_ = platform::ChildProcess::start(binary, {}, environment);
}

ProgramClient::~ProgramClient() {
    if (child_) {
        child_->closeInput();
        child_->waitForExit(5s);
    }
}

Json ProgramClient::request(Json request, std::chrono::milliseconds bound) {
    const std::string id = "r" + std::to_string(++counter_);
    request["id"] = id;
    if (!child_->write(request.dump() + "\n")) {
        ADD_FAILURE() << "the program took no input: " << child_->errorOutput();
        return Json();
    }
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (std::chrono::steady_clock::now() < deadline) {
        auto line = child_->readLine(200ms);
        if (!line) {
            continue;
        }
        auto answer = Json::parse(*line, nullptr, false);
        if (!answer.is_object()) {
            ADD_FAILURE() << "not a JSON object: " << *line;
            continue;
        }
        if (!answer.contains("id")) {
            events_.push_back(answer);
        } else if (answer["id"] == id) {
            return answer;
        }
    }
    ADD_FAILURE() << "no answer to " << request.dump() << "; " << child_->errorOutput();
    return Json();
}

} // namespace orvel::testing
