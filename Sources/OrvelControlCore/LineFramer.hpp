// Cuts the byte stream of standard input into request lines. Only the line feed ends a line;
// every other byte, the carriage return included, belongs to the line. A line longer than the
// limit is reported once as an overflow, as soon as it is known to be too long, and its bytes are
// dropped; the framer never holds more than the limit plus the chunk being fed.
//
// A value type used by one thread (the reader); no locking.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvel {

struct Frame {
    enum class Kind { line, overflow };

    Kind kind = Kind::line;
    // The line without its line feed; empty for an overflow.
    std::string bytes;

    static Frame line(std::string bytes) { return Frame{Kind::line, std::move(bytes)}; }
    static Frame overflow() { return Frame{Kind::overflow, {}}; }

    bool operator==(const Frame& other) const {
        return kind == other.kind && (kind == Kind::overflow || bytes == other.bytes);
    }
};

class LineFramer {
  public:
    explicit LineFramer(std::size_t limit) : lineLimit(limit) {}

    std::size_t limit() const { return lineLimit; }

    // The frames of every line that `data` completes, in input order; often none.
    std::vector<Frame> feed(std::string_view data);

  private:
    void frameChunk(std::string_view rest, std::vector<Frame>& frames);
    void completeBufferedLine(std::string_view tail, std::vector<Frame>& frames);
    void takeLine(std::string_view line, std::vector<Frame>& frames);
    void keepUnterminated(std::string_view rest, std::vector<Frame>& frames);

    // Bytes of the current line received so far; never holds a line feed nor more than
    // `lineLimit` bytes. Kept empty while discarding: those bytes would be dropped anyway.
    std::string buffer;
    // True while the rest of an over-long line, already reported, is thrown away.
    bool discarding = false;
    std::size_t lineLimit;
    // How many frames the previous feed yielded: a steady stream yields about as many each time,
    // so reserving that many spares the result most of its regrowth.
    std::size_t framesLastTime = 0;
};

} // namespace orvel
