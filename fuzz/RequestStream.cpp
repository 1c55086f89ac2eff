#include "RequestStream.hpp"

#include "FuzzCheck.hpp"

#include <algorithm>
#include <chrono>
#include <thread>

namespace orvel::fuzz {

namespace {

constexpr std::string_view observationToken = "@obs";
// Longer than the slowest request the fuzz desktop allows: a maximal typing action.
constexpr auto answerBound = std::chrono::seconds(20);

std::uint64_t fnv1a(std::string_view bytes) {
    std::uint64_t hash = 1469598103934665603ULL;
    for (unsigned char byte : bytes) {
        hash = (hash ^ byte) * 1099511628211ULL;
    }
    return hash | 1;
}

void replaceAll(std::string& text, std::string_view token, const std::string& by) {
    for (auto at = text.find(token); at != std::string::npos; at = text.find(token, at)) {
        text.replace(at, token.size(), by);
        at += by.size();
    }
}

} // namespace

void waitUntilAnswered(Engine& engine) {
    const auto until = std::chrono::steady_clock::now() + answerBound;
    while (engine.ledger().inFlightCount() > 0) {
        require(std::chrono::steady_clock::now() < until,
                "every admitted request is answered within the bound");
        std::this_thread::sleep_for(std::chrono::microseconds(20));
    }
}

RequestStream::RequestStream(std::string_view input, Engine& engine)
    : rest_(input), engine_(engine), random_(fnv1a(input)) {}

void RequestStream::takeNextLine() {
    const auto end = rest_.find('\n');
    const std::size_t length = end == std::string_view::npos ? rest_.size() : end + 1;
    pending_.assign(rest_.substr(0, length));
    pendingAt_ = 0;
    rest_.remove_prefix(length);
    if (pending_.find(observationToken) != std::string::npos) {
        waitUntilAnswered(engine_);
        const auto current = engine_.currentObservation();
        replaceAll(pending_, observationToken, current ? current->id : std::string("obs-0-0"));
    }
}

bool RequestStream::nextLineNamesObservation() const {
    return rest_.substr(0, rest_.find('\n')).find(observationToken) != std::string_view::npos;
}

std::size_t RequestStream::nextChunkSize() {
    random_ ^= random_ << 13;
    random_ ^= random_ >> 7;
    random_ ^= random_ << 17;
    // Mostly small pieces, now and then a large one.
    return random_ % 8 == 0 ? 1 + random_ % 4096 : 1 + random_ % 48;
}

std::size_t RequestStream::read(char* buffer, std::size_t size) {
    std::size_t filled = 0;
    const std::size_t wanted = std::min(size, nextChunkSize());
    while (filled < wanted) {
        if (pendingAt_ == pending_.size()) {
            // A line that waits for the work before it must not wait for bytes of that work
            // still in this chunk: what is filled goes out first.
            if (rest_.empty() || (filled > 0 && nextLineNamesObservation())) {
                break;
            }
            takeNextLine();
        }
        const std::size_t count = std::min(wanted - filled, pending_.size() - pendingAt_);
        std::copy_n(pending_.data() + pendingAt_, count, buffer + filled);
        pendingAt_ += count;
        filled += count;
    }
    return filled;
}

} // namespace orvel::fuzz
