// The process-level services of the executable's entry point: standard streams, signals,
// threads with a chosen stack and their names, and leaving the process. They are POSIX on every
// desktop the program runs on, so one implementation serves every backend.
//
// `blockTerminationSignals` must run on the main thread before any other thread starts, so
// that every thread inherits the blocked mask and only the signal thread sees the signals.
#pragma once

#include "platform/OutputChannel.hpp"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace orvel::platform::process {

// Writing to a closed standard output fails instead of ending the process.
void ignoreBrokenPipe();

// SIGINT and SIGTERM blocked in the calling thread (and so in every thread it starts).
void blockTerminationSignals();

// Starts a detached thread that waits for SIGINT or SIGTERM and runs `handler` on it for
// each; the handler normally ends the process.
void startSignalThread(std::function<void()> handler);

// Starts a detached thread with the given stack size and name running `body`.
void startThread(const std::string& name, std::size_t stackBytes, std::function<void()> body);

// Names the calling thread after `label`. The kernel keeps 15 bytes of a name, so a longer
// label keeps its last 15 bytes, the distinctive end of a reverse-DNS label.
void nameCurrentThread(std::string_view label);

// Reads what standard input has available into `buffer`, waiting until there is at least one
// byte or the input ends, also when the descriptor was handed over non-blocking. Returns the
// byte count; 0 at the end of input (a read error counts as the end).
std::size_t readStandardInput(char* buffer, std::size_t size);

// Output channels on standard output, on standard error, and on any descriptor. They write the
// descriptor directly (no stdio buffer in between), wait for it with poll, and never block past
// the time a writer gives, whether the descriptor is blocking or not.
std::shared_ptr<OutputChannel> standardOutput();
std::shared_ptr<OutputChannel> standardError();
std::shared_ptr<OutputChannel> descriptorOutput(int descriptor);

// Ends the process at once with `status`, without running destructors that could race threads
// still running and without touching a stdio stream another thread may hold. The wire writes
// standard output directly, so no output waits in a buffer.
[[noreturn]] void exitNow(int status);

} // namespace orvel::platform::process
