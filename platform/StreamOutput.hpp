// An output channel over a C stream, for output that has no descriptor of its own (an in-memory
// capture in tests, a benchmark's sink). A stream write cannot be bounded in time: it blocks
// as long as the stream does, so the real standard streams use the descriptor channel instead.
#pragma once

#include "platform/OutputChannel.hpp"

#include <cstdio>
#include <memory>

namespace orvel::platform {

class StreamOutput final : public OutputChannel {
  public:
    explicit StreamOutput(std::FILE* stream) : stream_(stream) {}

    // The whole of `bytes` goes in one write and one flush, so no line is ever split.
    std::optional<std::size_t> write(std::string_view bytes, Clock::time_point) override {
        const std::size_t written = std::fwrite(bytes.data(), 1, bytes.size(), stream_);
        const bool flushed = std::fflush(stream_) == 0;
        if (written == 0 || !flushed) {
            return std::nullopt;
        }
        return written;
    }

  private:
    std::FILE* const stream_;
};

inline std::shared_ptr<OutputChannel> streamOutput(std::FILE* stream) {
    return std::make_shared<StreamOutput>(stream);
}

} // namespace orvel::platform
