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

Json ProgramClient::awaitEvent(const std::string& name, std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (std::size_t seen = 0;;) {
        for (; seen < events_.size(); ++seen) {
            if (events_[seen]["event"] == name) {
                return events_[seen];
            }
        }
        if (!child_ || std::chrono::steady_clock::now() >= deadline) {
            return Json();
        }
        auto line = child_->readLine(100ms);
        auto parsed = line ? Json::parse(*line, nullptr, false) : Json();
        if (parsed.is_object() && !parsed.contains("id")) {
            events_.push_back(std::move(parsed));
        }
    }
}

bool ProgramClient::end() {
    if (!child_) {
        return false;
    }
    child_->closeInput();
    const bool exited = child_->waitForExit(5s).has_value();
    child_.reset();
    return exited;
}

} // namespace orvel::testing
