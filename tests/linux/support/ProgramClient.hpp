// The built program on the Linux desktop (ORVEL_DESKTOP=x11), driven as its client drives it:
// one request at a time, each answer matched by its id, the event lines it writes on its own
// kept aside. One test thread drives one program; the destructor ends its input and waits.
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
    // ORVEL_BINARY_PATH is the program the Linux suites are built beside.
    explicit ProgramClient(std::map<std::string, std::string> environment = {},
                           const std::string& binary = ORVEL_BINARY_PATH);
    ~ProgramClient();
    ProgramClient(const ProgramClient&) = delete;
    ProgramClient& operator=(const ProgramClient&) = delete;

    explicit operator bool() const { return child_ != nullptr; }

    // Sends `request` with a fresh id and waits up to `bound` for its answer; null (and a test
    // failure) when none comes.
    Json request(Json request, std::chrono::milliseconds bound = std::chrono::seconds(15));

    // The event lines (those without an id) read so far.
    const std::vector<Json>& events() const { return events_; }

  private:
    std::unique_ptr<platform::ChildProcess> child_;
    std::vector<Json> events_;
    int counter_ = 0;
};

} // namespace orvel::testing
