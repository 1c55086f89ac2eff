// The short book of the input events the program has posted and the takeover listener has not
// yet seen come back. The X server marks every XTest event with the same XTEST device, whichever
// client sent it, so the listener counts an XTest event as the program's only when it matches an
// entry here (the oldest of its kind and detail, which it then strikes out); one that matches
// nothing came from another client, which is the user as much as a real device is.
//
// Entries are booked only while the listener listens, before the event is sent, so that the
// listener never sees an event of the program's before its entry. Thread-safe: one mutex.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

namespace orvel::linuxdesktop {

enum class RawKind { motion, keyPress, keyRelease, buttonPress, buttonRelease };

class PostedEventBook {
  public:
    // More entries than a burst of the program's events can leave unanswered; beyond it the
    // oldest go, which can only make the listener count an event of the program's as the user's.
    static constexpr std::size_t capacity = 4096;

    void setListening(bool listening);
    bool listening() const;

    // An event about to be sent with `signature`, the user data of its source.
    void book(RawKind kind, std::uint32_t detail, std::int64_t signature);
    // The signature of the oldest entry of this kind and detail, struck out; absent when none.
    std::optional<std::int64_t> match(RawKind kind, std::uint32_t detail);
    std::size_t pending() const;
    void clear();

  private:
    struct Entry {
        RawKind kind;
        std::uint32_t detail;
        std::int64_t signature;
    };

    mutable std::mutex mutex_;
    std::deque<Entry> entries_; // guarded by mutex_
    bool listening_ = false;    // guarded by mutex_
};

} // namespace orvel::linuxdesktop
