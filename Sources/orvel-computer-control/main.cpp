// The entry point: prepares the process, builds the platform and the engine, starts the
// listeners and the reader on the main loop, and gives the main thread to the main loop.
// Without arguments the program speaks its JSON-lines protocol; with --mcp it speaks the Model
// Context Protocol over the same standard input and output, with the same engine behind it.
#include "Engine.hpp"
#include "LockWatcher.hpp"
#include "ProductIdentity.hpp"
#include "UserInputListener.hpp"
#include "mcp/McpSession.hpp"
#include "mcp/SchemaCatalog.hpp"
#include "mcp/ToolTable.hpp"
#include "platform/Backend.hpp"
#include "platform/ProcessControl.hpp"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr std::size_t readerStackBytes = 1048576;

// A tool result should stay within about 1 MB; the observation travels twice (as structured
// content and as text) next to the picture, so the picture gets a good deal less than that.
constexpr orvel::ScreenshotBudget mcpScreenshotBudget{1200000, 700000};

// Whether the program was asked for its MCP face; nothing for arguments it does not know.
std::optional<bool> mcpRequested(int argc, char** argv) {
    if (argc == 1) {
        return false;
    }
    if (argc == 2 && std::string_view(argv[1]) == "--mcp") {
        return true;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    auto mcp = mcpRequested(argc, argv);
    if (!mcp) {
        std::fprintf(stderr, "orvel-computer-control: usage: orvel-computer-control [--mcp]\n");
        return 2;
    }
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
    options.exitProcess = [&backend](int status) {
        backend->beforeExit();
        process::exitNow(status);
    };
    // In an MCP session the engine's output objects come to the session through the line sink,
    // and the session writes JSON-RPC through the engine's own wire, so that the endings bound
    // and close the one writer of standard output.
    std::unique_ptr<orvel::mcp::ToolTable> tools;
    std::unique_ptr<orvel::mcp::McpSession> session;
    if (*mcp) {
        tools = std::make_unique<orvel::mcp::ToolTable>(orvel::mcp::SchemaCatalog::builtIn());
        options.lineSink = [&session](const orvel::Json& line) {
            session->engineOutput(line);
        };
        options.screenshotBudget = mcpScreenshotBudget;
    }
    orvel::Engine engine(platform, listener, lockWatcher, options);
    if (*mcp) {
        session = std::make_unique<orvel::mcp::McpSession>(engine.wire(), *tools);
    }
    orvel::Engine::FrameHandler handleFrame = [&engine](const orvel::Frame& frame) {
        return engine.handleFrame(frame);
    };
    if (session) {
        session->attach(
            [&engine](orvel::Json request) { engine.acceptRequest(std::move(request)); });
        handleFrame = [&session](const orvel::Frame& frame) {
            return session->handleFrame(frame);
        };
    }

    process::startSignalThread([&engine] { engine.handleTerminationSignal(); });
    platform.mainLoop.post([&] {
        lockWatcher.start();
        listener.start();
        process::startThread(
            orvel::product::readerLabel, readerStackBytes,
            [&engine, &handleFrame] { engine.runReader(process::readStandardInput, handleFrame); });
    });
    platform.mainLoop.runForever();
    return 0;
}
