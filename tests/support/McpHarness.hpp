// An MCP session in front of an engine on a fresh simulated desktop, inside the test process:
// lines go to the session as the reader would hand them over, and what the session writes is
// captured line by line.
#pragma once

#include "Wire.hpp"
#include "mcp/McpSession.hpp"
#include "mcp/ToolTable.hpp"
#include "support/EngineHarness.hpp"
#include "support/LineCapture.hpp"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace orvel::testing {

// The tool table of the built-in schemas, built once for all tests.
const mcp::ToolTable& builtInTools();

class McpHarness {
  public:
    explicit McpHarness(const std::string& scenario = minimalScenario(),
                        std::optional<ScreenshotBudget> budget = std::nullopt);
    ~McpHarness();

    void send(const std::string& line);
    void sendFrame(const Frame& frame);
    void sendMessage(const Json& message) { send(message.dump()); }
    // Sends a request and waits for the line answering its id; null when none came in time.
    Json request(const Json& id, const std::string& method, Json params = Json::object(),
                 std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // initialize with `version`, then notifications/initialized; returns the initialize result.
    Json initialize(const std::string& version = "2025-11-25");
    // tools/call; returns the whole response line.
    Json callTool(const Json& id, const std::string& name, Json arguments = Json::object(),
                  std::chrono::milliseconds timeout = std::chrono::seconds(15));

    const LineCapture& out() const { return out_; }
    EngineHarness& engine() { return *engine_; }

  private:
    LineCapture out_;
    LineCapture err_;
    Wire wire_;
    mcp::McpSession session_;
    std::unique_ptr<EngineHarness> engine_;
};

} // namespace orvel::testing
