// The line framer fed a random stream in random chunks, against the framing rules written out in
// their plainest form: every complete line within the limit comes out once and in order, an
// over-long line is reported once and as soon as it is known to be too long, empty lines vanish,
// and nothing is lost or invented across chunk boundaries.
#include "FuzzCheck.hpp"
#include "OrvelControlCore/LineFramer.hpp"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using orvel::Frame;
using orvel::fuzz::require;

// Appends the chunk, then takes one line at a time from the front of everything buffered.
class ReferenceFramer {
  public:
    explicit ReferenceFramer(std::size_t limit) : limit_(limit) {}

    std::vector<Frame> feed(const std::string& chunk) {
        std::vector<Frame> frames;
        buffer_ += chunk;
        for (;;) {
            const auto end = buffer_.find('\n');
            if (end == std::string::npos) {
                if (buffer_.size() > limit_) {
                    buffer_.clear();
                    if (!discarding_) {
                        discarding_ = true;
                        frames.push_back(Frame::overflow());
                    }
                }
                return frames;
            }
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            if (discarding_) {
                discarding_ = false;
            } else if (line.size() > limit_) {
                frames.push_back(Frame::overflow());
            } else if (!line.empty()) {
                frames.push_back(Frame::line(std::move(line)));
            }
        }
    }

    std::size_t buffered() const { return buffer_.size(); }

  private:
    std::size_t limit_;
    std::string buffer_;
    bool discarding_ = false;
};

std::string describe(const std::vector<Frame>& frames) {
    std::string text;
    for (const auto& frame : frames) {
        text += frame.kind == Frame::Kind::overflow ? "[overflow]" : "[" + frame.bytes + "]";
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    // Small limits, so that short inputs reach every path the 1 MiB limit of the reader has.
    const auto limit = input.ConsumeIntegralInRange<std::size_t>(1, 48);
    orvel::LineFramer framer(limit);
    ReferenceFramer reference(limit);
    while (input.remaining_bytes() > 0) {
        const auto chunkSize = input.ConsumeIntegralInRange<std::size_t>(0, 3 * limit + 4);
        const std::string chunk = input.ConsumeBytesAsString(chunkSize);
        const auto frames = framer.feed(chunk);
        const auto expected = reference.feed(chunk);
        for (const auto& frame : frames) {
            if (frame.kind == Frame::Kind::line) {
                require(!frame.bytes.empty() && frame.bytes.size() <= limit &&
                            frame.bytes.find('\n') == std::string::npos,
                        "a line frame is non-empty, within the limit and holds no line feed",
                        frame.bytes);
            }
        }
        require(frames == expected, "the framer yields exactly the lines of the framing rules",
                "got " + describe(frames) + " expected " + describe(expected));
        require(reference.buffered() <= limit, "nothing beyond the limit is ever held");
    }
    return 0;
}
