#include "Wire.hpp"

#include "platform/StreamOutput.hpp"

#include <algorithm>
#include <exception>
#include <optional>
#include <string>

namespace orvel {
namespace {

constexpr std::string_view notePrefix = "orvel-computer-control: ";
constexpr std::string_view droppedNote = "dropped an unserialisable response";

// How long a line that has not begun waits for standard output before it looks again at the
// ending's limit, which may have been set meanwhile.
constexpr auto beginningSlice = std::chrono::milliseconds(50);

} // namespace

Wire::Wire(std::shared_ptr<platform::OutputChannel> out,
           std::shared_ptr<platform::OutputChannel> err, LineSink sink)
    : out_(std::move(out)), err_(std::move(err)), sink_(std::move(sink)) {}

Wire::Wire(std::FILE* out, std::FILE* err)
    : Wire(platform::streamOutput(out), platform::streamOutput(err)) {}

bool Wire::send(const Json& line) {
    if (sink_) {
        sink_(line);
        return true;
    }
    return write(line);
}

bool Wire::write(const Json& line) {
    std::optional<std::string> text;
    try {
        text = wireText(line);
        if (text) {
            // One buffer for the line and its line feed, so that a short line is one write and
            // goes out whole or not at all.
            text->push_back('\n');
        }
    } catch (const std::exception&) {
        text.reset();
    }
    if (!text) {
        note(droppedNote);
        return false;
    }
    return writeWhole(*text, &line);
}

bool Wire::sendText(std::string_view text) {
    std::string line;
    try {
        line.reserve(text.size() + 1);
        line.append(text).push_back('\n');
    } catch (const std::exception&) {
        note(droppedNote);
        return false;
    }
    return writeWhole(line, nullptr);
}

// Writes one serialised line with its line feed in its turn; `line` is the object it came from,
// when there is one, for the note of a dropped event.
bool Wire::writeWhole(const std::string& text, const Json* line) {
    if (!takeTurn()) {
        reportDropped(line);
        return false;
    }
    const Outcome outcome = writeLine(text);
    releaseTurn();
    if (outcome == Outcome::notBegun) {
        reportDropped(line);
    }
    return outcome == Outcome::whole;
}

void Wire::note(std::string_view text) {
    std::string line;
    try {
        line.reserve(notePrefix.size() + text.size() + 1);
        line.append(notePrefix).append(text).append("\n");
    } catch (const std::exception&) {
        // Out of memory: there is no way left to report anything.
        return;
    }
    std::string_view rest = line;
    const Clock::time_point until = waitLimit();
    while (!rest.empty()) {
        const auto written = err_->write(rest, until);
        if (!written || *written == 0) {
            return;
        }
        rest.remove_prefix(*written);
    }
}

void Wire::limitWaits(Clock::time_point until) {
    {
        std::lock_guard guard(lock_);
        waitLimit_ = std::min(waitLimit_, until);
    }
    turnChanged_.notify_all();
}

void Wire::close(Clock::duration stall) {
    bool unfinished = false;
    std::size_t dropped = 0;
    {
        std::unique_lock guard(lock_);
        closed_ = true;
        turnChanged_.notify_all();
        while (writing_) {
            if (!begun_) {
                // A line that has not begun gives up within one slice once it sees the close.
                turnChanged_.wait_for(guard, beginningSlice);
                continue;
            }
            const Clock::time_point stalledAt = lastProgress_ + stall;
            if (Clock::now() >= stalledAt) {
                unfinished = true;
                break;
            }
            turnChanged_.wait_until(guard, stalledAt);
        }
        dropped = droppedResponses_;
    }
    if (dropped > 0) {
        note("dropped responses at the end (standard output did not take them in time): " +
             std::to_string(dropped));
    }
    if (unfinished) {
        note("left a line unfinished at the end: standard output stopped taking it");
    }
}

bool Wire::takeTurn() {
    std::unique_lock guard(lock_);
    for (;;) {
        if (closed_) {
            return false;
        }
        if (!writing_) {
            writing_ = true;
            begun_ = false;
            return true;
        }
        if (waitLimit_ == Clock::time_point::max()) {
            turnChanged_.wait(guard);
        } else if (Clock::now() >= waitLimit_) {
            return false;
        } else {
            turnChanged_.wait_until(guard, waitLimit_);
        }
    }
}

void Wire::releaseTurn() {
    {
        std::lock_guard guard(lock_);
        writing_ = false;
        begun_ = false;
    }
    turnChanged_.notify_all();
}

// Before the first byte, waits come in slices so that a limit set meanwhile is seen; once a byte
// has gone, the line is carried on however long standard output takes.
Wire::Outcome Wire::writeLine(std::string_view line) {
    std::string_view rest = line;
    while (!rest.empty()) {
        const bool begun = rest.size() < line.size();
        Clock::time_point until = Clock::time_point::max();
        if (!begun) {
            if (isClosed()) {
                return Outcome::notBegun;
            }
            until = std::min(waitLimit(), Clock::now() + beginningSlice);
        }
        const auto written = out_->write(rest, until);
        if (!written) {
            return Outcome::failed;
        }
        if (*written == 0) {
            if (!begun && Clock::now() >= waitLimit()) {
                return Outcome::notBegun;
            }
            continue;
        }
        rest.remove_prefix(*written);
        recordProgress();
    }
    return Outcome::whole;
}

void Wire::recordProgress() {
    std::lock_guard guard(lock_);
    begun_ = true;
    lastProgress_ = Clock::now();
}

bool Wire::isClosed() {
    std::lock_guard guard(lock_);
    return closed_;
}

Wire::Clock::time_point Wire::waitLimit() {
    std::lock_guard guard(lock_);
    return waitLimit_;
}

void Wire::reportDropped(const Json* line) {
    const auto event = line != nullptr ? line->find("event") : Json::const_iterator{};
    if (line != nullptr && event != line->end() && event->is_string()) {
        note("dropped the " + event->get<std::string>() +
             " event: standard output did not take it in time");
        return;
    }
    std::lock_guard guard(lock_);
    ++droppedResponses_;
}

} // namespace orvel
