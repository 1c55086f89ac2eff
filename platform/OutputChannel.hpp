// Where the program's output goes: standard output and standard error, or a capture in tests.
// A write is bounded in time and says how much went, so that a writer can give up on a line it
// has not begun, and never has to guess whether a line went out whole.
//
// One writer at a time per channel for lines (the wire takes care of that); `write` itself is
// safe to call from any thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string_view>

namespace orvel::platform {

class OutputChannel {
  public:
    using Clock = std::chrono::steady_clock;

    virtual ~OutputChannel() = default;

    // Writes a prefix of `bytes` (not empty), waiting at most until `until` for the channel to
    // take anything; a time already past means one attempt without waiting. Returns how many
    // bytes went, 0 when none could go in time, or nothing when the channel failed and will
    // take nothing more (its reader gone, a bad descriptor). Short writes are all or nothing:
    // `bytes` no longer than PIPE_BUF (4096 on Linux, the atomic size of a pipe) are never split.
    virtual std::optional<std::size_t> write(std::string_view bytes, Clock::time_point until) = 0;
};

} // namespace orvel::platform
