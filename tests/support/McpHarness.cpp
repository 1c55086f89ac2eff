#include "support/McpHarness.hpp"

#include "mcp/SchemaCatalog.hpp"

namespace orvel::testing {

const mcp::ToolTable& builtInTools() {
    static const mcp::ToolTable tools(mcp::SchemaCatalog::builtIn());
    return tools;
}

McpHarness::McpHarness(const std::string& scenario, std::optional<ScreenshotBudget> budget)
    : wire_(out_.stream(), err_.stream()), session_(wire_, builtInTools()) {
    HarnessOptions options;
    options.lineSink = [this](const Json& line) {
        session_.engineOutput(line);
    };
    options.screenshotBudget = budget;
    engine_ = std::make_unique<EngineHarness>(scenario, std::move(options));
    session_.attach([this](Json request) { engine_->engine().acceptRequest(std::move(request)); });
}

McpHarness::~McpHarness() {
    // The engine's threads write through the session: they go first.
    engine_.reset();
}

void McpHarness::send(const std::string& line) {
    sendFrame(Frame::line(line));
}

void McpHarness::sendFrame(const Frame& frame) {
    session_.handleFrame(frame);
}

Json McpHarness::request(const Json& id, const std::string& method, Json params,
                         std::chrono::milliseconds timeout) {
    std::size_t first = out_.lineCount();
    sendMessage(Json{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}});
    auto line = out_.waitFor(
        [&id](const Json& candidate) {
            // Compared as text, so that 1 and "1" stay apart.
            return candidate.contains("id") && candidate["id"].dump() == id.dump();
        },
        timeout, first);
    return line ? *line : Json();
}

Json McpHarness::initialize(const std::string& version) {
    Json reply = request("init", "initialize",
                         {{"protocolVersion", version},
                          {"capabilities", Json::object()},
                          {"clientInfo", {{"name", "engine-tests"}, {"version", "1"}}}});
    sendMessage(Json{{"jsonrpc", "2.0"}, {"method", "notifications/initialized"}});
    return reply.value("result", Json());
}

Json McpHarness::callTool(const Json& id, const std::string& name, Json arguments,
                          std::chrono::milliseconds timeout) {
    return request(id, "tools/call", {{"name", name}, {"arguments", std::move(arguments)}},
                   timeout);
}

} // namespace orvel::testing
