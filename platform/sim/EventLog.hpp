// The record of every event the program posts and every event the simulator injects as the
// user, plus every address the program opens: one JSON object per entry, kept in memory and,
// when a file is given, appended to it as one line and flushed at once, so a test or a person
// can follow the desktop while the program runs.
//
// Not thread-safe: the desktop keeps it behind its one mutex.
#pragma once

#include "OrvelControlCore/Json.hpp"
#include "platform/Event.hpp"

#include <chrono>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvel::sim {

enum class EventOrigin { program, user };

class EventLog {
  public:
    // `file` may be null: the log then lives in memory only.
    EventLog(std::chrono::steady_clock::time_point start, std::unique_ptr<std::ofstream> file);

    // Opens `path` for appending; null with `error` set when it cannot be opened.
    static std::unique_ptr<std::ofstream> openFile(const std::string& path, std::string& error);

    void recordEvent(const platform::Event& event, EventOrigin origin);
    void recordOpenedURL(const std::string& url);

    const std::vector<Json>& entries() const { return entries_; }

  private:
    Json entryStart(std::string_view source, std::string_view kind) const;
    void append(Json entry);

    std::chrono::steady_clock::time_point start_;
    std::unique_ptr<std::ofstream> file_;
    std::vector<Json> entries_;
};

} // namespace orvel::sim
