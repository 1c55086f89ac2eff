// One MCP session over standard input and output: the initialize handshake and version
// negotiation, tools/list and tools/call, log levels and cancellation, in front of the engine.
// A tool call becomes one request of the JSON-lines protocol with an id of the session's own;
// the engine's response comes back through its line sink, is matched by that id and goes out
// as the call's result. Event lines become log notifications.
//
// Threading: `handleFrame` runs on the reader thread; `engineOutput` on whichever thread the
// engine sends from (also inside `handleFrame`, for the operations the engine answers at once).
// `lock_` guards the session state below it and is never held while calling the engine or
// writing; output goes through `out_`, whose lock is taken alone.
#pragma once

#include "OrvelControlCore/Json.hpp"
#include "OrvelControlCore/LineFramer.hpp"
#include "Wire.hpp"
#include "mcp/EventNotification.hpp"
#include "mcp/JsonRpc.hpp"
#include "mcp/ProtocolVersion.hpp"
#include "mcp/ToolTable.hpp"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace orvel::mcp {

class McpSession {
  public:
    // Hands one request object of the JSON-lines protocol to the engine.
    using Submit = std::function<void(Json request)>;

    McpSession(Wire& out, const ToolTable& tools);
    McpSession(const McpSession&) = delete;
    McpSession& operator=(const McpSession&) = delete;

    // Connects the engine; called once, before the first frame.
    void attach(Submit submit);

    // One framed line of input (or an over-long one). Always true: only the end of the input
    // ends the session.
    bool handleFrame(const Frame& frame);
    // One output object of the engine: a response to a tool's request, or an event line.
    void engineOutput(const Json& line);

  private:
    enum class Phase { awaitingInitialize, awaitingInitialized, ready };
    struct PendingCall {
        Json rpcId;
        std::string tool;
    };

    void handleMessage(IncomingMessage message);
    void handleRequest(const IncomingMessage& message);
    void handleNotification(const IncomingMessage& message);
    void initialize(const Json& id, const Json& params);
    void listTools(const Json& id, const Json& params);
    void callTool(const Json& id, const Json& params);
    void setLogLevel(const Json& id, const Json& params);
    void cancelCall(const Json& params);
    void answerCall(const Json& response);
    void forwardEvent(const Json& event);
    void sendError(const Json& id, int code, const std::string& message);
    std::string nextEngineId(const char* kind);

    Wire& out_;
    const ToolTable& tools_;
    Submit submit_;

    mutable std::mutex lock_;
    Phase phase_ = Phase::awaitingInitialize;                // guarded by lock_
    ProtocolVersion version_ = ProtocolVersion::v2025_11_25; // guarded by lock_
    LogLevel threshold_ = LogLevel::debug;                   // guarded by lock_
    std::uint64_t engineIdCount_ = 0;                        // guarded by lock_
    std::map<std::string, PendingCall> pending_;             // by engine id; guarded by lock_
    std::map<std::string, std::string> engineIdOfCall_;      // by idKey; guarded by lock_
};

} // namespace orvel::mcp
