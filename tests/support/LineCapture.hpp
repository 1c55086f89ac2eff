// Captures what the program writes to a stream, line by line, so tests can wait for a line
// that matches. The stream is a real FILE* (the wire writes with stdio), backed by memory.
//
// Thread-safe: the stream may be written from any thread while tests wait on another.
#pragma once

#include "OrvelControlCore/Json.hpp"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace orvel::testing {

class LineCapture {
  public:
    LineCapture();
    ~LineCapture();
    LineCapture(const LineCapture&) = delete;
    LineCapture& operator=(const LineCapture&) = delete;

    std::FILE* stream() const { return stream_; }

    std::vector<std::string> lines() const;
    std::vector<Json> jsonLines() const;

    std::size_t lineCount() const;

    // Waits until some line from `firstLine` on (parsed as JSON) satisfies `match`; returns it.
    std::optional<Json> waitFor(const std::function<bool(const Json&)>& match,
                                std::chrono::milliseconds timeout = std::chrono::seconds(10),
                                std::size_t firstLine = 0) const;
    std::optional<Json> waitForId(const std::string& id,
                                  std::chrono::milliseconds timeout = std::chrono::seconds(10),
                                  std::size_t firstLine = 0) const;
    std::optional<Json>
    waitForEvent(const std::string& event,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

    void append(const char* bytes, std::size_t size);

  private:
    std::FILE* stream_ = nullptr;
    mutable std::mutex lock_;
    mutable std::condition_variable grew_;
    std::string partial_;            // guarded by lock_
    std::vector<std::string> lines_; // guarded by lock_
};

} // namespace orvel::testing
