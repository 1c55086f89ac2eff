// The record of every event the program posts and every event the simulator injects as the
// user, plus every address the program opens: one JSON object per entry, appended, when a file
// is given, to it as one line and flushed at once, so a test or a person can follow the desktop
// while the program runs. The most recent entries are also kept in memory for tests, a bounded
// number of them, so that a desktop that runs for days holds no more than that. Which keys and
// buttons the program's own events leave pressed is followed as well.
//
// Not thread-safe: the desktop keeps it behind its one mutex.
#pragma once

#include "OrvelControlCore/Json.hpp"
#include "platform/Event.hpp"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace orvel::sim {

enum class EventOrigin { program, user };

// The keys (virtual key codes) and mouse buttons (0 left, 1 right, 2 and up the others) whose
// down event the program posted without the up event yet.
struct PressedInput {
    std::set<std::uint16_t> keys;
    std::set<std::uint32_t> buttons;

    bool empty() const { return keys.empty() && buttons.empty(); }
    bool operator==(const PressedInput&) const = default;
};

class EventLog {
  public:
    // `file` may be null: the log then lives in memory only.
    EventLog(std::chrono::steady_clock::time_point start, std::unique_ptr<std::ofstream> file);

    // Opens `path` for appending; null with `error` set when it cannot be opened.
    static std::unique_ptr<std::ofstream> openFile(const std::string& path, std::string& error);

    void recordEvent(const platform::Event& event, EventOrigin origin);
    void recordOpenedURL(const std::string& url);

    // The most recent entries, oldest first: all of them up to `memoryLimit`.
    const std::deque<Json>& entries() const { return entries_; }
    const PressedInput& pressedByProgram() const { return pressed_; }

    static constexpr std::size_t memoryLimit = 65536;

  private:
    Json entryStart(std::string_view source, std::string_view kind) const;
    void append(Json entry);
    void notePressed(const platform::Event& event);

    std::chrono::steady_clock::time_point start_;
    std::unique_ptr<std::ofstream> file_;
    std::deque<Json> entries_;
    PressedInput pressed_;
};

} // namespace orvel::sim
