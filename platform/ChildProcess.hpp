// A child process with its standard streams connected to pipes: used by the process tests
// and the demo driver to run the program as its real client does.
//
// One thread drives one child; the object is not shared between threads.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvel::platform {

// How the child's ends of its standard input and output pipes are handed over: blocking, as
// most parents do, or non-blocking, as some do.
struct ChildStreams {
    bool nonBlockingInput = false;
    bool nonBlockingOutput = false;
};

class ChildProcess {
  public:
    // Starts `path` with `arguments`; `environment` entries are added to (or replace those
    // of) this process's environment. Null when the process cannot be started.
    static std::unique_ptr<ChildProcess>
    start(const std::string& path, const std::vector<std::string>& arguments,
          const std::map<std::string, std::string>& environment = {}, ChildStreams streams = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int pid() const { return pid_; }

    // Writes the bytes to the child's standard input; false once it is closed.
    bool write(std::string_view bytes);
    void closeInput();
    // Closes the reading end of the child's standard output, as a client that goes away does.
    void closeOutput();

    // The next line of standard output without its line feed, or absent when none arrived
    // within `timeout` or the output ended.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout);

    // What the child wrote after its last line feed and no line has yet taken.
    const std::string& unterminatedOutput() const { return pending_; }

    // How many bytes of standard output the child wrote that nobody has read yet (what waits
    // in the pipe); 0 once the output is closed.
    std::size_t unreadOutputBytes() const;

    // Everything the child wrote to standard error so far (reads what is available).
    std::string errorOutput();

    void terminate(); // SIGTERM
    void interrupt(); // SIGINT
    void kill();      // SIGKILL

    // The exit status once the child has ended within `timeout`; absent otherwise (or when
    // it ended by a signal).
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);

  private:
    ChildProcess(int pid, int input, int output, int error);
    bool fillOutput(std::chrono::milliseconds timeout);

    int pid_;
    int input_;
    int output_;
    int error_;
    bool reaped_ = false;
    int status_ = 0;
    std::string pending_;
    std::string errorText_;
};

} // namespace orvel::platform
