#include "support/TestPipe.hpp"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace orvel::testing {

TestPipe::TestPipe() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        throw std::runtime_error("no pipe");
    }
    read_ = ends[0];
    write_ = ends[1];
}

TestPipe::~TestPipe() {
    closeWriteEnd();
    ::close(read_);
}

void TestPipe::makeWriteEndNonBlocking() {
    ::fcntl(write_, F_SETFL, ::fcntl(write_, F_GETFL) | O_NONBLOCK);
}

std::size_t TestPipe::fill() {
    const int flags = ::fcntl(write_, F_GETFL);
    ::fcntl(write_, F_SETFL, flags | O_NONBLOCK);
    constexpr char line[] = "{\"fill\":1}\n";
    std::size_t total = 0;
    while (::write(write_, line, sizeof line - 1) > 0) {
        total += sizeof line - 1;
    }
    ::fcntl(write_, F_SETFL, flags);
    return total;
}

std::string TestPipe::read(std::chrono::milliseconds timeout, std::size_t most) {
    pollfd entry{read_, POLLIN, 0};
    if (::poll(&entry, 1, static_cast<int>(timeout.count())) <= 0) {
        return {};
    }
    std::vector<char> buffer(most);
    const ssize_t count = ::read(read_, buffer.data(), buffer.size());
    return count > 0 ? std::string(buffer.data(), static_cast<std::size_t>(count)) : std::string();
}

std::string TestPipe::readAll(std::chrono::milliseconds quiet) {
    std::string text;
    for (std::string chunk = read(quiet); !chunk.empty(); chunk = read(quiet)) {
        text += chunk;
    }
    return text;
}

void TestPipe::closeWriteEnd() {
    if (write_ >= 0) {
        ::close(write_);
        write_ = -1;
    }
}

} // namespace orvel::testing
