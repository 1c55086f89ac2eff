#include "Wire.hpp"

#include <exception>
#include <optional>
#include <string>

namespace orvel {
namespace {

constexpr std::string_view notePrefix = "orvel-computer-control: ";
constexpr std::string_view droppedNote = "dropped an unserialisable response";

// Writes as much of `bytes` as the stream takes, repeating after a partial write; false when a
// write makes no progress, which gives up on the rest.
bool writeFully(std::FILE* stream, std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t written = std::fwrite(bytes.data(), 1, bytes.size(), stream);
        if (written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

} // namespace

Wire::Wire(std::FILE* out, std::FILE* err) : out(out), err(err) {}

Wire::Wire(std::FILE* out, std::FILE* err, LineSink sink)
    : out(out), err(err), sink(std::move(sink)) {}

void Wire::send(const Json& line) {
    if (sink) {
        sink(line);
        return;
    }
    std::optional<std::string> text;
    try {
        text = wireText(line);
    } catch (const std::exception&) {
        text.reset();
    }
    if (!text) {
        note(droppedNote);
        return;
    }
    sendText(*text);
}

void Wire::sendText(std::string_view text) {
    // The line feed is written separately rather than appended, so a multi-megabyte line is
    // never copied to make room for one byte.
    std::lock_guard guard(lock);
    if (writeFully(out, text)) {
        writeFully(out, "\n");
    }
    std::fflush(out);
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
    std::fwrite(line.data(), 1, line.size(), err);
    std::fflush(err);
}

} // namespace orvel
