#include "mcp/McpSession.hpp"

#include "OrvelControlCore/Limits.hpp"
#include "ProductIdentity.hpp"
#include "mcp/ToolResult.hpp"

#include <algorithm>

namespace orvel::mcp {

namespace {

constexpr const char* instructions =
    "Operates the applications of the user's desktop on the user's behalf. Work in this order: "
    "apps_list, windows_list, observe, act. Every act names the observationId of the latest "
    "observe and returns a fresh observation to plan the next step on. Prefer background mode "
    "(accessibility actions); pointer and key actions need mode foreground and stop as soon as "
    "the user touches keyboard or mouse. Error messages are Norwegian and meant for the user. "
    "Call stop whenever the user wants control to end; every halt is reported as a warning "
    "notification, and resume is needed before acting again.";

bool isBlank(std::string_view line) {
    return std::all_of(line.begin(), line.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r'; });
}

Json initializeResult(ProtocolVersion version) {
    Json serverInfo{{"name", "orvel-computer-control"}, {"version", product::version}};
    if (hasStructuredResults(version)) {
        serverInfo["title"] = "Orvel computer control";
    }
    return Json{
        {"protocolVersion", versionName(version)},
        {"capabilities", {{"tools", {{"listChanged", false}}}, {"logging", Json::object()}}},
        {"serverInfo", std::move(serverInfo)},
        {"instructions", instructions}};
}

} // namespace

McpSession::McpSession(Wire& out, const ToolTable& tools) : out_(out), tools_(tools) {}

void McpSession::attach(Submit submit) {
    submit_ = std::move(submit);
}

bool McpSession::handleFrame(const Frame& frame) {
    if (frame.kind == Frame::Kind::overflow) {
        sendError(nullptr, rpc::invalidRequest,
                  "Invalid Request: the message is longer than " +
                      std::to_string(Limits::requestBytes) + " bytes");
        return true;
    }
    if (!isBlank(frame.bytes)) {
        handleMessage(readMessage(frame.bytes));
    }
    return true;
}

void McpSession::handleMessage(IncomingMessage message) {
    switch (message.kind) {
    case IncomingMessage::Kind::request:
        handleRequest(message);
        return;
    case IncomingMessage::Kind::notification:
        handleNotification(message);
        return;
    case IncomingMessage::Kind::response:
        // The server sends no requests, so there is nothing a response could answer.
        return;
    case IncomingMessage::Kind::invalid:
        sendError(message.id, message.errorCode, message.errorMessage);
        return;
    }
}

void McpSession::handleRequest(const IncomingMessage& message) {
    const std::string& method = message.method;
    bool known = method == "ping" || method == "initialize" || method == "tools/list" ||
                 method == "tools/call" || method == "logging/setLevel";
    if (!known) {
        sendError(message.id, rpc::methodNotFound, "Method not found: " + method);
        return;
    }
    Phase phase;
    bool inFlight = false;
    {
        std::lock_guard guard(lock_);
        phase = phase_;
        inFlight = engineIdOfCall_.contains(idKey(message.id));
    }
    if (inFlight) {
        // Answering would leave the client unable to tell the two answers apart.
        sendError(message.id, rpc::invalidRequest,
                  "Invalid Request: the id " + idKey(message.id) +
                      " belongs to a tool call still running");
        return;
    }
    if (method == "ping") {
        out_.write(resultMessage(message.id, Json::object()));
        return;
    }
    if (method == "initialize") {
        if (phase != Phase::awaitingInitialize) {
            sendError(message.id, rpc::invalidRequest,
                      "Invalid Request: the session is already initialized");
            return;
        }
        initialize(message.id, message.params);
        return;
    }
    if (phase != Phase::ready) {
        sendError(message.id, rpc::invalidRequest,
                  "Invalid Request: the session is not initialized yet; only ping is served "
                  "before initialize and notifications/initialized");
        return;
    }
    if (method == "tools/list") {
        listTools(message.id, message.params);
    } else if (method == "tools/call") {
        callTool(message.id, message.params);
    } else {
        setLogLevel(message.id, message.params);
    }
}

void McpSession::handleNotification(const IncomingMessage& message) {
    if (message.method == "notifications/initialized") {
        std::lock_guard guard(lock_);
        if (phase_ == Phase::awaitingInitialized) {
            phase_ = Phase::ready;
        }
        return;
    }
    if (message.method == "notifications/cancelled") {
        cancelCall(message.params);
    }
    // Other notifications (progress, roots changed, unknown ones) need nothing from us.
}

void McpSession::initialize(const Json& id, const Json& params) {
    auto requested = params.find("protocolVersion");
    if (requested == params.end() || !requested->is_string()) {
        sendError(id, rpc::invalidParams, "Invalid params: protocolVersion must be a string");
        return;
    }
    for (const char* key : {"capabilities", "clientInfo"}) {
        auto value = params.find(key);
        if (value == params.end() || !value->is_object()) {
            sendError(id, rpc::invalidParams,
                      std::string("Invalid params: ") + key + " must be an object");
            return;
        }
    }
    ProtocolVersion version = negotiateVersion(requested->get_ref<const std::string&>());
    {
        std::lock_guard guard(lock_);
        version_ = version;
        phase_ = Phase::awaitingInitialized;
    }
    out_.write(resultMessage(id, initializeResult(version)));
}

void McpSession::listTools(const Json& id, const Json& params) {
    if (params.contains("cursor")) {
        // Every tool fits on one page, so no cursor was ever handed out.
        sendError(id, rpc::invalidParams, "Invalid params: unknown cursor");
        return;
    }
    ProtocolVersion version;
    {
        std::lock_guard guard(lock_);
        version = version_;
    }
    out_.write(resultMessage(id, tools_.listResult(version)));
}

void McpSession::callTool(const Json& id, const Json& params) {
    auto name = params.find("name");
    if (name == params.end() || !name->is_string()) {
        sendError(id, rpc::invalidParams, "Invalid params: name must be a string");
        return;
    }
    const Tool* tool = tools_.find(name->get_ref<const std::string&>());
    if (!tool) {
        sendError(id, rpc::invalidParams, "Unknown tool: " + name->get<std::string>());
        return;
    }
    Json request = params.value("arguments", Json::object());
    if (!request.is_object()) {
        sendError(id, rpc::invalidParams, "Invalid params: arguments must be an object");
        return;
    }
    // Arguments that do not fit the schema never reach the engine: the call is answered as
    // invalid params, naming every problem, in every revision.
    auto problems = tool->arguments.problems(request);
    if (!problems.empty()) {
        sendError(id, rpc::invalidParams, argumentProblemText(tool->name, problems));
        return;
    }
    std::string engineId;
    {
        std::lock_guard guard(lock_);
        engineId = nextEngineId("call");
        pending_.emplace(engineId, PendingCall{id, tool->name});
        engineIdOfCall_.emplace(idKey(id), engineId);
    }
    request["op"] = tool->op;
    request["id"] = engineId;
    submit_(std::move(request));
}

void McpSession::setLogLevel(const Json& id, const Json& params) {
    auto name = params.find("level");
    std::optional<LogLevel> level;
    if (name != params.end() && name->is_string()) {
        level = logLevelNamed(name->get_ref<const std::string&>());
    }
    if (!level) {
        sendError(id, rpc::invalidParams,
                  "Invalid params: level must be one of debug, info, notice, warning, error, "
                  "critical, alert, emergency");
        return;
    }
    {
        std::lock_guard guard(lock_);
        threshold_ = *level;
    }
    out_.write(resultMessage(id, Json::object()));
}

void McpSession::cancelCall(const Json& params) {
    auto requestId = params.find("requestId");
    if (requestId == params.end()) {
        return;
    }
    std::string target;
    std::string cancelId;
    {
        std::lock_guard guard(lock_);
        auto found = engineIdOfCall_.find(idKey(*requestId));
        if (found == engineIdOfCall_.end()) {
            // Finished already, or never a tool call: the protocol says to let it be.
            return;
        }
        target = found->second;
        pending_.erase(target);
        engineIdOfCall_.erase(found);
        cancelId = nextEngineId("cancel");
    }
    // The cancelled call's late answer and the answer to this request find no pending call
    // and are dropped, so the client hears nothing more about the call.
    submit_(Json{{"id", cancelId}, {"op", "cancel"}, {"target", target}});
}

void McpSession::engineOutput(const Json& line) {
    if (line.contains("event")) {
        forwardEvent(line);
        return;
    }
    answerCall(line);
}

void McpSession::answerCall(const Json& response) {
    std::string engineId = response.value("id", std::string());
    PendingCall call;
    ProtocolVersion version;
    {
        std::lock_guard guard(lock_);
        auto found = pending_.find(engineId);
        if (found == pending_.end()) {
            return;
        }
        call = std::move(found->second);
        pending_.erase(found);
        engineIdOfCall_.erase(idKey(call.rpcId));
        version = version_;
    }
    auto line = toolResultLine(call.rpcId, response, version);
    if (!line) {
        out_.note("the result of " + call.tool + " could not be written as JSON");
        sendError(call.rpcId, rpc::internalError,
                  "Internal error: the result of " + call.tool + " could not be written as JSON");
        return;
    }
    out_.sendText(*line);
}

void McpSession::forwardEvent(const Json& event) {
    {
        std::lock_guard guard(lock_);
        if (phase_ == Phase::awaitingInitialize || eventLevel(event) < threshold_) {
            return;
        }
    }
    out_.write(eventNotification(event));
}

void McpSession::sendError(const Json& id, int code, const std::string& message) {
    out_.write(errorMessage(id, code, message));
}

std::string McpSession::nextEngineId(const char* kind) {
    return std::string("mcp-") + kind + "-" + std::to_string(++engineIdCount_);
}

} // namespace orvel::mcp
