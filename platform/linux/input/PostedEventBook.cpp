#include "platform/linux/input/PostedEventBook.hpp"

#include <algorithm>

namespace orvel::linuxdesktop {

void PostedEventBook::setListening(bool listening) {
    std::lock_guard lock(mutex_);
    listening_ = listening;
    if (!listening) {
        entries_.clear();
    }
}

bool PostedEventBook::listening() const {
    std::lock_guard lock(mutex_);
    return listening_;
}

void PostedEventBook::book(RawKind kind, std::uint32_t detail, std::int64_t signature) {
    std::lock_guard lock(mutex_);
    if (!listening_) {
        return;
    }
    if (entries_.size() >= capacity) {
        entries_.pop_front();
    }
    entries_.push_back({kind, detail, signature});
}

std::optional<std::int64_t> PostedEventBook::match(RawKind kind, std::uint32_t detail) {
    std::lock_guard lock(mutex_);
    auto found = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& entry) {
        return entry.kind == kind && entry.detail == detail;
    });
    if (found == entries_.end()) {
        return std::nullopt;
    }
    const auto signature = found->signature;
    entries_.erase(found);
    return signature;
}

std::size_t PostedEventBook::pending() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

void PostedEventBook::clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
}

} // namespace orvel::linuxdesktop
