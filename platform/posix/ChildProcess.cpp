// POSIX implementation of a child process on pipes.
#include "platform/ChildProcess.hpp"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace orvel::platform {

namespace {

void closeIfOpen(int& descriptor) {
    if (descriptor >= 0) {
        ::close(descriptor);
        descriptor = -1;
    }
}

void setNonBlocking(int descriptor) {
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) | O_NONBLOCK);
}

std::vector<std::string> mergedEnvironment(const std::map<std::string, std::string>& extra) {
    std::map<std::string, std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string text(*entry);
        auto equals = text.find('=');
        if (equals != std::string::npos) {
            merged[text.substr(0, equals)] = text.substr(equals + 1);
        }
    }
    for (const auto& [key, value] : extra) {
        merged[key] = value;
    }
    std::vector<std::string> result;
    for (const auto& [key, value] : merged) {
        result.push_back(key + "=" + value);
    }
    return result;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (auto& text : texts) {
        result.push_back(text.data());
    }
    result.push_back(nullptr);
    return result;
}

} // namespace

std::unique_ptr<ChildProcess>
ChildProcess::start(const std::string& path, const std::vector<std::string>& arguments,
                    const std::map<std::string, std::string>& environment, ChildStreams streams) {
    int input[2], output[2], error[2];
    if (::pipe(input) != 0 || ::pipe(output) != 0 || ::pipe(error) != 0) {
        return nullptr;
    }
    std::vector<std::string> argv = {path};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> envp = mergedEnvironment(environment);
    auto argvPointers = pointers(argv);
    auto envPointers = pointers(envp);

    pid_t pid = ::fork();
    if (pid < 0) {
        return nullptr;
    }
    if (pid == 0) {
        ::dup2(input[0], STDIN_FILENO);
        ::dup2(output[1], STDOUT_FILENO);
        ::dup2(error[1], STDERR_FILENO);
        for (int descriptor : {input[0], input[1], output[0], output[1], error[0], error[1]}) {
            ::close(descriptor);
        }
        if (streams.nonBlockingInput) {
            setNonBlocking(STDIN_FILENO);
        }
        if (streams.nonBlockingOutput) {
            setNonBlocking(STDOUT_FILENO);
        }
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execve(path.c_str(), argvPointers.data(), envPointers.data());
        ::_exit(127);
    }
    ::close(input[0]);
    ::close(output[1]);
    ::close(error[1]);
    ::fcntl(error[0], F_SETFL, O_NONBLOCK);
    return std::unique_ptr<ChildProcess>(new ChildProcess(pid, input[1], output[0], error[0]));
}

ChildProcess::ChildProcess(int pid, int input, int output, int error)
    : pid_(pid), input_(input), output_(output), error_(error) {}

ChildProcess::~ChildProcess() {
    closeIfOpen(input_);
    if (!reaped_) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    closeIfOpen(output_);
    closeIfOpen(error_);
}

bool ChildProcess::write(std::string_view bytes) {
    // A child that has exited must not kill the test with SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    while (!bytes.empty() && input_ >= 0) {
        ssize_t written = ::write(input_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return bytes.empty();
}

void ChildProcess::closeInput() {
    closeIfOpen(input_);
}

void ChildProcess::closeOutput() {
    closeIfOpen(output_);
}

bool ChildProcess::fillOutput(std::chrono::milliseconds timeout) {
    if (output_ < 0) {
        return false;
    }
    pollfd descriptor{output_, POLLIN, 0};
    int ready = ::poll(&descriptor, 1, static_cast<int>(timeout.count()));
    if (ready <= 0) {
        return false;
    }
    char buffer[65536];
    ssize_t count = ::read(output_, buffer, sizeof buffer);
    if (count <= 0) {
        return false;
    }
    pending_.append(buffer, static_cast<std::size_t>(count));
    return true;
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        auto end = pending_.find('\n');
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return line;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !fillOutput(left)) {
            return std::nullopt;
        }
    }
}

std::size_t ChildProcess::unreadOutputBytes() const {
    int count = 0;
    if (output_ < 0 || ::ioctl(output_, FIONREAD, &count) != 0 || count < 0) {
        return 0;
    }
    return static_cast<std::size_t>(count);
}

std::string ChildProcess::errorOutput() {
    char buffer[4096];
    for (;;) {
        ssize_t count = ::read(error_, buffer, sizeof buffer);
        if (count <= 0) {
            break;
        }
        errorText_.append(buffer, static_cast<std::size_t>(count));
    }
    return errorText_;
}

void ChildProcess::terminate() {
    ::kill(pid_, SIGTERM);
}

void ChildProcess::interrupt() {
    ::kill(pid_, SIGINT);
}

void ChildProcess::kill() {
    ::kill(pid_, SIGKILL);
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!reaped_) {
        int status = 0;
        pid_t result = ::waitpid(pid_, &status, WNOHANG);
        if (result == pid_) {
            reaped_ = true;
            status_ = status;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFEXITED(status_)) {
        return WEXITSTATUS(status_);
    }
    return std::nullopt;
}

} // namespace orvel::platform
