// The single writer of output lines: each response or event goes to standard output as one
// line of compact JSON with sorted keys, written and flushed whole, so lines from different
// threads never interleave. Diagnostics go to standard error as one prefixed line.
//
// Thread-safe: `lock` makes each line's write-and-flush atomic and guards nothing else; it is
// taken alone, after serialisation, and never while another lock is held. note() takes no lock.
// Neither function throws. A wire made with a line sink hands each output object to the sink
// instead of writing it; the sink is then called from whichever thread sends.
#pragma once

#include "OrvelControlCore/Json.hpp"

#include <cstdio>
#include <functional>
#include <mutex>
#include <string_view>

namespace orvel {

class Wire {
  public:
    using LineSink = std::function<void(const Json& line)>;

    Wire(std::FILE* out, std::FILE* err);
    Wire(std::FILE* out, std::FILE* err, LineSink sink);

    // Writes `line` as one line, or notes that it was dropped when it cannot be serialised.
    void send(const Json& line);
    // Writes text that is already one serialised output object, followed by a line feed.
    void sendText(std::string_view text);
    // Writes "orvel-computer-control: " + text + "\n" to standard error in one write.
    void note(std::string_view text);

  private:
    std::FILE* const out;
    std::FILE* const err;
    const LineSink sink;
    std::mutex lock; // one output line at a time
};

} // namespace orvel
