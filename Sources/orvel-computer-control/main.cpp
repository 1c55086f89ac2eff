// The entry point: prepares the process, builds the platform and the engine, starts the
// listeners and the reader on the main loop, and gives the main thread to the main loop.
#include "Engine.hpp"
#include "LockWatcher.hpp"
#include "ProductIdentity.hpp"
#include "UserInputListener.hpp"
#include "platform/Backend.hpp"
#include "platform/ProcessControl.hpp"

#include <cstdio>
#include <string>

namespace {

constexpr std::size_t readerStackBytes = 1048576;

} // namespace

int main() {
    namespace process = orvel::platform::process;
    process::ignoreBrokenPipe();
    // Before any thread exists, so that only the signal thread ever sees the signals.
    process::blockTerminationSignals();

    std::string error;
    auto backend = orvel::platform::makeBackend(error);
    if (!backend) {
        std::fprintf(stderr, "orvel-computer-control: %s\n", error.c_str());
        return 2;
    }
    auto& platform = backend->platform();

    orvel::UserInputListener listener(platform.events, platform.privacy, platform.mainLoop);
    orvel::LockWatcher lockWatcher(platform.notifications);
    orvel::EngineOptions options;
    options.out = process::standardOutput();
    options.err = process::standardError();
    options.exitProcess = [](int status) {
        process::exitNow(status);
    };
    orvel::Engine engine(platform, listener, lockWatcher, options);

    process::startSignalThread([&engine] { engine.handleTerminationSignal(); });
    platform.mainLoop.post([&] {
        lockWatcher.start();
        listener.start();
        process::startThread(orvel::product::readerLabel, readerStackBytes,
                             [&engine] { engine.runReader(process::readStandardInput); });
    });
    platform.mainLoop.runForever();
    return 0;
}
