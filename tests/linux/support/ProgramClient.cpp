#include "linux/support/ProgramClient.hpp"

#include <gtest/gtest.h>

namespace orvel::testing {

using namespace std::chrono_literals;

ProgramClient::ProgramClient(const std::string& binary,
                             std::map<std::string, std::string> environment) {
    environment.emplace("ORVEL_DESKTOP", "x11");
    child_ = platform::ChildProcess::start(binary, {}, environment);
}

ProgramClient::~ProgramClient() {
    if (child_) {
        child_->closeInput();
        child_->waitForExit(5s);
    }
}

Json ProgramClient::request(Json request, std::chrono::milliseconds patience) {
    const std::string id = "r" + std::to_string(++counter_);
    request["id"] = id;
    if (!child_ || !child_->write(request.dump() + "\n")) {
        ADD_FAILURE() << "the program does not take requests";
        return Json();
    }
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (std::chrono::steady_clock::now() < deadline) {
        auto line = child_->readLine(1s);
        if (!line) {
            continue;
        }
        auto answer = Json::parse(*line, nullptr, false);
        if (!answer.is_object()) {
            continue;
        }
        if (answer.value("id", "") == id) {
            return answer;
        }
        if (!answer.contains("id")) {
            events_.push_back(std::move(answer));
        }
    }
    ADD_FAILURE() << "no answer to " << request.dump() << "; " << child_->errorOutput();
    return Json();
}

} // namespace orvel::testing
