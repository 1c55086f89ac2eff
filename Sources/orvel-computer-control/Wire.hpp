// The single writer of output lines: each response or event goes to standard output as one
// line of compact JSON with sorted keys, written whole, so lines from different threads never
// interleave. Diagnostics go to standard error as one prefixed line.
//
// How the process ends without ever cutting a line: once an ending starts, `limitWaits` bounds
// every wait for the output, so a line that has not begun by then is dropped rather than
// waited for (a short line is one all-or-nothing write, so it never goes half). A line that has
// begun is always carried on to its end; `close` lets no new line begin and waits for the one
// in progress while standard output keeps taking its bytes. Only when standard output has
// taken nothing of it for the stall bound, so that its reader has plainly stopped reading, does
// `close` return with the line unfinished (and say so on standard error): the process must end,
// and a reader that comes back finds a last line without its line feed, which a line reader
// drops.
//
// A wire made with a line sink hands each output object to the sink instead of writing it; the
// sink is then called from whichever thread sends.
//
// Thread-safe: `lock_` guards the turn and the ending's state; it is never held while writing,
// while calling out or while another lock is held. A line is serialised before its writer waits
// for its turn. note() takes no turn. No function throws.
#pragma once

#include "OrvelControlCore/Json.hpp"
#include "platform/OutputChannel.hpp"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>

namespace orvel {

class Wire {
  public:
    using Clock = platform::OutputChannel::Clock;
    using LineSink = std::function<void(const Json& line)>;

    Wire(std::shared_ptr<platform::OutputChannel> out, std::shared_ptr<platform::OutputChannel> err,
         LineSink sink = nullptr);
    // Over C streams: for output without a descriptor of its own (captures, sinks).
    Wire(std::FILE* out, std::FILE* err);

    // Writes `line` as one line; false when it did not go out whole: not serialisable (noted),
    // refused by the output, or dropped because the ending's limit passed before it could begin
    // (noted for an event line, counted for a response).
    bool send(const Json& line);
    // Writes `line` itself, past the line sink if there is one: how the front end that owns the
    // sink writes its own lines through the same writer.
    bool write(const Json& line);
    // Writes text that is already one serialised output object, followed by a line feed; false
    // as for `send`.
    bool sendText(std::string_view text);
    // Writes "orvel-computer-control: " + text + "\n" to standard error in one write, giving up
    // silently when standard error does not take it within the ending's limit.
    void note(std::string_view text);

    // From now on no line waits for its turn or for standard output beyond `until`; a line that
    // has not begun by then is dropped. Later calls can only bring the limit forward.
    void limitWaits(Clock::time_point until);
    // No line begins any more. Returns once no line is half written, or once the line in
    // progress has gone `stall` without standard output taking any of its bytes. Notes how many
    // responses the ending dropped, and the unfinished line if there is one.
    void close(Clock::duration stall);

  private:
    enum class Outcome { whole, notBegun, failed };

    bool takeTurn();
    void releaseTurn();
    bool writeWhole(const std::string& text, const Json* line);
    Outcome writeLine(std::string_view line);
    void recordProgress();
    bool isClosed();
    Clock::time_point waitLimit();
    void reportDropped(const Json* line);

    const std::shared_ptr<platform::OutputChannel> out_;
    const std::shared_ptr<platform::OutputChannel> err_;
    const LineSink sink_;

    std::mutex lock_;
    std::condition_variable turnChanged_;
    bool writing_ = false;           // guarded by lock_: a line has the turn
    bool begun_ = false;             // guarded by lock_: it has bytes out
    Clock::time_point lastProgress_; // guarded by lock_
    Clock::time_point waitLimit_ = Clock::time_point::max(); // guarded by lock_
    bool closed_ = false;                                    // guarded by lock_
    std::size_t droppedResponses_ = 0;                       // guarded by lock_
};

} // namespace orvel
