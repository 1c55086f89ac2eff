// An output channel on a file descriptor: waits for writability with poll and never blocks past
// the time its caller gives, whether the descriptor was handed over blocking or non-blocking.
//
// A blocking descriptor is never switched to non-blocking: its open file description may be
// shared with the parent (a terminal, say), which would then see its own writes fail. Instead,
// once poll reports room, a blocking pipe, socket or terminal gets at most PIPE_BUF bytes per
// write, which it takes without blocking. A writer that sets no time bound may block, and gets
// up to 64 KiB per write, which keeps large lines fast while each write still returns as soon
// as a reader has made room for it. A regular file never makes a writer wait, so it gets
// everything at once.
#include "platform/ProcessControl.hpp"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace orvel::platform::process {

namespace {

class DescriptorOutput final : public OutputChannel {
  public:
    explicit DescriptorOutput(int descriptor)
        : descriptor_(descriptor), regularFile_(isRegularFile(descriptor)) {}

    std::optional<std::size_t> write(std::string_view bytes, Clock::time_point until) override {
        for (;;) {
            const int ready = awaitWritable(until);
            if (ready < 0) {
                return std::nullopt;
            }
            if (ready == 0) {
                return 0;
            }
            const ssize_t written =
                ::write(descriptor_, bytes.data(), pieceSize(bytes.size(), until));
            if (written > 0) {
                return static_cast<std::size_t>(written);
            }
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                // Room was reported but did not last (another writer on the same pipe); try
                // again shortly rather than spin on a readiness that poll keeps reporting.
                if (Clock::now() >= until) {
                    return 0;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            return std::nullopt;
        }
    }

  private:
    static bool isRegularFile(int descriptor) {
        struct stat status {};
        return ::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode);
    }

    // 1 when the descriptor can take bytes, 0 when `until` passed first, -1 when it failed.
    int awaitWritable(Clock::time_point until) const {
        for (;;) {
            pollfd entry{descriptor_, POLLOUT, 0};
            const int ready = ::poll(&entry, 1, pollTimeout(until));
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready < 0 || (ready > 0 && (entry.revents & POLLNVAL) != 0)) {
                return -1;
            }
            // POLLERR and POLLHUP are left to the write, which reports what went wrong.
            return ready > 0 ? 1 : 0;
        }
    }

    // Milliseconds to `until`, rounded up so that a wait never ends early; -1 for no bound.
    static int pollTimeout(Clock::time_point until) {
        if (until == Clock::time_point::max()) {
            return -1;
        }
        const auto left = until - Clock::now();
        if (left <= Clock::duration::zero()) {
            return 0;
        }
        const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        return static_cast<int>(std::min<decltype(milliseconds)>(milliseconds, INT_MAX));
    }

    std::size_t pieceSize(std::size_t wanted, Clock::time_point until) const {
        constexpr std::size_t unboundedPiece = 65536;
        if (regularFile_ || isNonBlocking()) {
            return wanted;
        }
        if (until == Clock::time_point::max()) {
            return std::min(wanted, unboundedPiece);
        }
        return std::min<std::size_t>(wanted, PIPE_BUF);
    }

    // Asked on every write: whoever shares the open file description may change the flag.
    bool isNonBlocking() const {
        const int flags = ::fcntl(descriptor_, F_GETFL);
        return flags >= 0 && (flags & O_NONBLOCK) != 0;
    }

    const int descriptor_;
    const bool regularFile_;
};

} // namespace

std::shared_ptr<OutputChannel> descriptorOutput(int descriptor) {
    return std::make_shared<DescriptorOutput>(descriptor);
}

} // namespace orvel::platform::process
