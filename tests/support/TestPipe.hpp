// A pipe owned by a test, for output that must meet a real descriptor: a reader that is slow,
// stops reading or never reads. The operating-system calls of the tests stay in this one place.
//
// Reading and writing may happen on different threads; each end is used by one thread at a time.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace orvel::testing {

class TestPipe {
  public:
    TestPipe();
    ~TestPipe();
    TestPipe(const TestPipe&) = delete;
    TestPipe& operator=(const TestPipe&) = delete;

    int writeEnd() const { return write_; }
    void makeWriteEndNonBlocking();
    // Fills the pipe with whole lines of JSON until it takes no more; returns the bytes written.
    std::size_t fill();
    // Reads what arrives within `timeout`, at most `most` bytes; empty when nothing came.
    std::string read(std::chrono::milliseconds timeout, std::size_t most = 65536);
    // Reads until nothing more arrives within `quiet`.
    std::string readAll(std::chrono::milliseconds quiet = std::chrono::milliseconds(200));
    void closeWriteEnd();

  private:
    int read_ = -1;
    int write_ = -1;
};

} // namespace orvel::testing
