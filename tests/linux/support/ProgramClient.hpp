// The built program on the Linux desktop (ORVEL_DESKTOP=x11), driven as its client drives it:
// one request at a time on standard input, the answer with the same id read back. Events the
// program writes between answers are kept for the test to read.
//
// One test thread drives one program. The destructor closes its input and waits for it.
#pragma once

#include "OrvelControlCore/Json.hpp"
#include "platform/ChildProcess.hpp"

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace orvel::testing {

class ProgramClient {
  public:
    // `binary`: the built program.
    explicit ProgramClient(const std::string& binary,
                           std::map<std::string, std::string> environment = {});
    ~ProgramClient();
    ProgramClient(const ProgramClient&) = delete;
    ProgramClient& operator=(const ProgramClient&) = delete;

    explicit operator bool() const { return child_ != nullptr; }

    // The answer to the request (given an id of its own); null when none came within
    // `patience`, which also fails the test.
    Json request(Json request, std::chrono::milliseconds patience = std::chrono::seconds(15));

    // The lines without an id (events) read so far.
    const std::vector<Json>& events() const { return events_; }

    // The first event line called `name`, reading on until it comes (it can follow the answer
    // of the request it concerns); null when it does not come within `patience`.
    Json awaitEvent(const std::string& name,
                    std::chrono::milliseconds patience = std::chrono::seconds(3));

    // Ends the program as its client does, by closing its input; true once it has exited.
    bool end();

  private:
    std::unique_ptr<platform::ChildProcess> child_;
    int counter_ = 0;
    std::vector<Json> events_;
};

} // namespace orvel::testing
