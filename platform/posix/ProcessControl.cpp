// POSIX implementation of the process-level services.
#include "platform/ProcessControl.hpp"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

namespace orvel::platform::process {

namespace {

sigset_t terminationSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

void* runThreadBody(void* argument) {
    std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(argument));
    (*body)();
    return nullptr;
}

void startPosixThread(const std::string& name, std::size_t stackBytes, std::function<void()> body) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    if (stackBytes > 0) {
        pthread_attr_setstacksize(&attributes, stackBytes);
    }
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    auto* argument = new std::function<void()>([name, body = std::move(body)] {
        nameCurrentThread(name);
        body();
    });
    pthread_t thread;
    if (pthread_create(&thread, &attributes, runThreadBody, argument) != 0) {
        delete argument;
        pthread_attr_destroy(&attributes);
        std::fputs("orvel-computer-control: could not start a thread\n", stderr);
        std::_Exit(1);
    }
    pthread_attr_destroy(&attributes);
}

} // namespace

void nameCurrentThread(std::string_view label) {
    constexpr std::size_t kept = 15;
    std::string name(label.size() > kept ? label.substr(label.size() - kept) : label);
#if defined(__APPLE__)
    pthread_setname_np(name.c_str());
#else
    pthread_setname_np(pthread_self(), name.c_str());
#endif
}

void ignoreBrokenPipe() {
    std::signal(SIGPIPE, SIG_IGN);
}

void blockTerminationSignals() {
    sigset_t signals = terminationSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

void startSignalThread(std::function<void()> handler) {
    startPosixThread("signals", 0, [handler = std::move(handler)] {
        sigset_t signals = terminationSignals();
        for (;;) {
            int received = 0;
            if (sigwait(&signals, &received) == 0) {
                handler();
            }
        }
    });
}

void startThread(const std::string& name, std::size_t stackBytes, std::function<void()> body) {
    startPosixThread(name, stackBytes, std::move(body));
}

std::size_t readStandardInput(char* buffer, std::size_t size) {
    for (;;) {
        ssize_t count = ::read(STDIN_FILENO, buffer, size);
        if (count >= 0) {
            return static_cast<std::size_t>(count);
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            // A non-blocking descriptor with nothing to read yet: wait for input or its end.
            pollfd entry{STDIN_FILENO, POLLIN, 0};
            if (::poll(&entry, 1, -1) < 0 && errno != EINTR) {
                return 0;
            }
        } else if (errno != EINTR) {
            return 0;
        }
    }
}

std::shared_ptr<OutputChannel> standardOutput() {
    return descriptorOutput(STDOUT_FILENO);
}

std::shared_ptr<OutputChannel> standardError() {
    return descriptorOutput(STDERR_FILENO);
}

void exitNow(int status) {
    std::_Exit(status);
}

} // namespace orvel::platform::process
