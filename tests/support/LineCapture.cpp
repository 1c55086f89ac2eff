#include "support/LineCapture.hpp"

#include <stdio.h>

namespace orvel::testing {

namespace {

ssize_t writeToCapture(void* cookie, const char* bytes, size_t size) {
    static_cast<LineCapture*>(cookie)->append(bytes, size);
    return static_cast<ssize_t>(size);
}

} // namespace

LineCapture::LineCapture() {
    cookie_io_functions_t functions{};
    functions.write = writeToCapture;
    stream_ = fopencookie(this, "w", functions);
    std::setvbuf(stream_, nullptr, _IOFBF, 65536);
}

LineCapture::~LineCapture() {
    std::fclose(stream_);
}

void LineCapture::append(const char* bytes, std::size_t size) {
    {
        std::lock_guard guard(lock_);
        partial_.append(bytes, size);
        std::size_t start = 0;
        for (auto end = partial_.find('\n'); end != std::string::npos;
             end = partial_.find('\n', start)) {
            lines_.push_back(partial_.substr(start, end - start));
            start = end + 1;
        }
        partial_.erase(0, start);
    }
    grew_.notify_all();
}

std::vector<std::string> LineCapture::lines() const {
    std::lock_guard guard(lock_);
    return lines_;
}

std::vector<Json> LineCapture::jsonLines() const {
    std::vector<Json> result;
    for (const auto& line : lines()) {
        result.push_back(Json::parse(line, nullptr, false));
    }
    return result;
}

std::size_t LineCapture::lineCount() const {
    std::lock_guard guard(lock_);
    return lines_.size();
}

std::optional<Json> LineCapture::waitFor(const std::function<bool(const Json&)>& match,
                                         std::chrono::milliseconds timeout,
                                         std::size_t firstLine) const {
    std::unique_lock guard(lock_);
    std::size_t seen = firstLine;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        for (; seen < lines_.size(); ++seen) {
            Json line = Json::parse(lines_[seen], nullptr, false);
            if (!line.is_discarded() && match(line)) {
                return line;
            }
        }
        if (grew_.wait_until(guard, deadline) == std::cv_status::timeout && seen >= lines_.size()) {
            return std::nullopt;
        }
    }
}

std::optional<Json> LineCapture::waitForId(const std::string& id, std::chrono::milliseconds timeout,
                                           std::size_t firstLine) const {
    return waitFor([&id](const Json& line) { return line.contains("id") && line["id"] == id; },
                   timeout, firstLine);
}

std::optional<Json> LineCapture::waitForEvent(const std::string& event,
                                              std::chrono::milliseconds timeout) const {
    return waitFor(
        [&event](const Json& line) { return line.contains("event") && line["event"] == event; },
        timeout);
}

} // namespace orvel::testing
