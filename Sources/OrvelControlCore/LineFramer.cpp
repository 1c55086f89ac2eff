#include "OrvelControlCore/LineFramer.hpp"

#include <cstring>
#include <utility>

namespace orvel {
namespace {

constexpr char lineFeed = '\n';

// The offset of the first line feed in `data`, or npos.
std::size_t findLineFeed(std::string_view data) {
    const void* found = std::memchr(data.data(), lineFeed, data.size());
    if (found == nullptr) {
        return std::string_view::npos;
    }
    return static_cast<std::size_t>(static_cast<const char*>(found) - data.data());
}

} // namespace

std::vector<Frame> LineFramer::feed(std::string_view data) {
    std::vector<Frame> frames;
    frames.reserve(framesLastTime);
    frameChunk(data, frames);
    framesLastTime = frames.size();
    return frames;
}

void LineFramer::frameChunk(std::string_view rest, std::vector<Frame>& frames) {
    if (!buffer.empty()) {
        const std::size_t end = findLineFeed(rest);
        if (end == std::string_view::npos) {
            keepUnterminated(rest, frames);
            return;
        }
        completeBufferedLine(rest.substr(0, end), frames);
        rest.remove_prefix(end + 1);
    }
    for (std::size_t end = findLineFeed(rest); end != std::string_view::npos;
         end = findLineFeed(rest)) {
        takeLine(rest.substr(0, end), frames);
        rest.remove_prefix(end + 1);
    }
    keepUnterminated(rest, frames);
}

// The buffer holds the start of a line (so the framer is not discarding) and `tail` its end.
void LineFramer::completeBufferedLine(std::string_view tail, std::vector<Frame>& frames) {
    const std::size_t length = buffer.size() + tail.size();
    if (length > lineLimit) {
        frames.push_back(Frame::overflow());
        buffer.clear();
    } else if (length * 2 > buffer.capacity()) {
        // A line that fills most of the buffer (a long one) is handed over without copying it
        // again; the buffer gets a fresh allocation of the same size for the next one.
        const std::size_t capacity = buffer.capacity();
        buffer.append(tail);
        frames.push_back(Frame::line(std::exchange(buffer, std::string())));
        buffer.reserve(capacity);
    } else {
        std::string line;
        line.reserve(length);
        line.append(buffer).append(tail);
        frames.push_back(Frame::line(std::move(line)));
        buffer.clear();
    }
}

void LineFramer::takeLine(std::string_view line, std::vector<Frame>& frames) {
    if (discarding) {
        discarding = false;
    } else if (line.size() > lineLimit) {
        frames.push_back(Frame::overflow());
    } else if (!line.empty()) {
        frames.push_back(Frame::line(std::string(line)));
    }
}

// `rest` holds no line feed: it continues the buffered line.
void LineFramer::keepUnterminated(std::string_view rest, std::vector<Frame>& frames) {
    if (discarding) {
        return;
    }
    if (buffer.size() + rest.size() > lineLimit) {
        buffer.clear();
        discarding = true;
        frames.push_back(Frame::overflow());
        return;
    }
    buffer.append(rest);
}

} // namespace orvel
