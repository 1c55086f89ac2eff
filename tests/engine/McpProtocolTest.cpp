// The JSON-RPC face of an MCP session: malformed messages, ids of every JSON type,
// notifications, the lifecycle before and after initialize, and version negotiation.
#include "mcp/JsonRpc.hpp"
#include "support/McpHarness.hpp"

#include <gtest/gtest.h>

#include <thread>

namespace orvel::testing {
namespace {

using namespace std::chrono_literals;

Json errorCodeOf(const Json& line) {
    return line.contains("error") ? line["error"].value("code", Json()) : Json();
}

// The lines written from `first` on, once the session has answered a ping sent after them.
std::vector<Json> linesBefore(McpHarness& mcp, std::size_t first) {
    mcp.request("fence", "ping");
    auto lines = mcp.out().jsonLines();
    return {lines.begin() + static_cast<std::ptrdiff_t>(first), lines.end() - 1};
}

TEST(McpEnvelope, MalformedMessagesAreAnsweredWithTheMatchingError) {
    McpHarness mcp;
    struct Case {
        std::string line;
        int code;
        Json id;
    };
    const std::vector<Case> cases = {
        {R"({"jsonrpc": "2.0", "id": 1, "method": )", mcp::rpc::parseError, nullptr},
        {R"([{"jsonrpc": "2.0", "id": 2, "method": "ping"}])", mcp::rpc::invalidRequest, nullptr},
        {R"([])", mcp::rpc::invalidRequest, nullptr},
        {R"("ping")", mcp::rpc::invalidRequest, nullptr},
        {R"(42)", mcp::rpc::invalidRequest, nullptr},
        {R"({"id": 3, "method": "ping"})", mcp::rpc::invalidRequest, 3},
        {R"({"jsonrpc": "1.0", "id": "v", "method": "ping"})", mcp::rpc::invalidRequest, "v"},
        {R"({"jsonrpc": 2.0, "id": 4, "method": "ping"})", mcp::rpc::invalidRequest, 4},
        {R"({"jsonrpc": "2.0", "id": 5})", mcp::rpc::invalidRequest, 5},
        {R"({"jsonrpc": "2.0", "id": 6, "method": 7})", mcp::rpc::invalidRequest, 6},
        {R"({"jsonrpc": "2.0", "id": 8, "method": "ping", "params": [1]})",
         mcp::rpc::invalidRequest, 8},
        {R"({"jsonrpc": "2.0", "id": 9, "method": "resources/list"})", mcp::rpc::methodNotFound, 9},
    };
    for (const auto& each : cases) {
        std::size_t first = mcp.out().lineCount();
        mcp.send(each.line);
        auto lines = linesBefore(mcp, first);
        ASSERT_EQ(lines.size(), 1u) << each.line;
        EXPECT_EQ(lines[0]["jsonrpc"], "2.0") << each.line;
        EXPECT_EQ(errorCodeOf(lines[0]), each.code) << each.line;
        EXPECT_EQ(lines[0]["id"], each.id) << each.line;
        EXPECT_TRUE(lines[0]["error"]["message"].is_string());
    }
}

TEST(McpEnvelope, IdsAreStringsOrIntegersAndComeBackExactly) {
    McpHarness mcp;
    for (const Json& id : {Json("a"), Json(""), Json(0), Json(-3), Json(9007199254740993ULL)}) {
        Json reply = mcp.request(id, "ping");
        ASSERT_TRUE(reply.is_object()) << id.dump();
        EXPECT_EQ(reply["id"].dump(), id.dump());
        EXPECT_EQ(reply["result"], Json::object());
    }
    for (const char* id : {"null", "true", "1.5", "{}", "[1]"}) {
        std::size_t first = mcp.out().lineCount();
        mcp.send(std::string(R"({"jsonrpc": "2.0", "method": "ping", "id": )") + id + "}");
        auto lines = linesBefore(mcp, first);
        ASSERT_EQ(lines.size(), 1u) << id;
        EXPECT_EQ(errorCodeOf(lines[0]), mcp::rpc::invalidRequest) << id;
        EXPECT_TRUE(lines[0]["id"].is_null()) << id;
    }
}

TEST(McpEnvelope, NotificationsAndResponsesAreNeverAnswered) {
    McpHarness mcp;
    mcp.initialize();
    std::size_t first = mcp.out().lineCount();
    mcp.send(R"({"jsonrpc": "2.0", "method": "ping"})");
    mcp.send(R"({"jsonrpc": "2.0", "method": "tools/call", "params": {"name": "stop"}})");
    mcp.send(R"({"jsonrpc": "2.0", "method": "notifications/progress", "params": {}})");
    mcp.send(R"({"jsonrpc": "2.0", "method": "no/such/notification"})");
    mcp.send(R"({"jsonrpc": "2.0", "id": 11, "result": {}})");
    mcp.send(R"({"jsonrpc": "2.0", "id": 12, "error": {"code": 1, "message": "x"}})");
    mcp.send("");
    mcp.send("  \r");
    EXPECT_TRUE(linesBefore(mcp, first).empty());
    EXPECT_FALSE(mcp.engine().engine().ledger().isHalted())
        << "a tools/call without an id is a notification and runs nothing";
}

TEST(McpEnvelope, AnOverlongLineIsAnInvalidRequest) {
    McpHarness mcp;
    std::size_t first = mcp.out().lineCount();
    mcp.sendFrame(Frame::overflow());
    auto lines = linesBefore(mcp, first);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(errorCodeOf(lines[0]), mcp::rpc::invalidRequest);
    EXPECT_TRUE(lines[0]["id"].is_null());
}

TEST(McpLifecycle, BeforeInitializedOnlyPingIsServed) {
    McpHarness mcp;
    EXPECT_EQ(mcp.request(1, "ping")["result"], Json::object());
    EXPECT_EQ(errorCodeOf(mcp.request(2, "tools/list")), mcp::rpc::invalidRequest);
    EXPECT_EQ(errorCodeOf(mcp.request(3, "tools/call", {{"name", "stop"}})),
              mcp::rpc::invalidRequest);
    EXPECT_EQ(errorCodeOf(mcp.request(4, "logging/setLevel", {{"level", "info"}})),
              mcp::rpc::invalidRequest);
    EXPECT_FALSE(mcp.engine().engine().ledger().isHalted());

    EXPECT_EQ(errorCodeOf(mcp.request(5, "initialize", {{"capabilities", Json::object()}})),
              mcp::rpc::invalidParams);
    EXPECT_EQ(errorCodeOf(mcp.request(6, "initialize",
                                      {{"protocolVersion", "2025-11-25"},
                                       {"capabilities", 1},
                                       {"clientInfo", Json::object()}})),
              mcp::rpc::invalidParams);
    Json init = mcp.request(7, "initialize",
                            {{"protocolVersion", "2025-11-25"},
                             {"capabilities", Json::object()},
                             {"clientInfo", {{"name", "t"}, {"version", "1"}}}});
    EXPECT_EQ(init["result"]["protocolVersion"], "2025-11-25");
    EXPECT_EQ(errorCodeOf(mcp.request(8, "tools/list")), mcp::rpc::invalidRequest)
        << "initialize answered, notifications/initialized not yet seen";
    EXPECT_EQ(mcp.request(9, "ping")["result"], Json::object());
    mcp.send(R"({"jsonrpc": "2.0", "method": "notifications/initialized"})");
    EXPECT_EQ(mcp.request(10, "tools/list")["result"]["tools"].size(), 10u);
    EXPECT_EQ(errorCodeOf(mcp.request(11, "initialize",
                                      {{"protocolVersion", "2025-11-25"},
                                       {"capabilities", Json::object()},
                                       {"clientInfo", Json::object()}})),
              mcp::rpc::invalidRequest);
}

TEST(McpLifecycle, TheServerDeclaresToolsAndLogging) {
    McpHarness mcp;
    Json result = mcp.initialize();
    EXPECT_EQ(result["capabilities"]["tools"], (Json{{"listChanged", false}}));
    EXPECT_EQ(result["capabilities"]["logging"], Json::object());
    EXPECT_EQ(result["serverInfo"]["name"], "orvel-computer-control");
    EXPECT_EQ(result["serverInfo"]["version"], "1.1.0");
    EXPECT_TRUE(result["instructions"].is_string());
}

TEST(McpLifecycle, VersionsTheServerKnowsAreKeptAndAnyOtherGetsTheNewest) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"2025-11-25", "2025-11-25"}, {"2025-06-18", "2025-06-18"}, {"2025-03-26", "2025-03-26"},
        {"2024-11-05", "2025-11-25"}, {"latest", "2025-11-25"},     {"", "2025-11-25"}};
    for (const auto& [asked, answered] : cases) {
        McpHarness mcp;
        Json result = mcp.initialize(asked);
        EXPECT_EQ(result["protocolVersion"], answered) << asked;
        EXPECT_EQ(result["serverInfo"].contains("title"), answered != "2025-03-26") << asked;
    }
}

TEST(McpLifecycle, EventsReachTheClientOnlyOnceInitializeIsAnswered) {
    McpHarness mcp;
    mcp.engine().engine().halt("requested");
    mcp.engine().engine().ledger().resume();
    mcp.initialize();
    mcp.engine().engine().halt("user_input");
    auto notice = mcp.out().waitFor([](const Json& line) { return line.contains("method"); }, 5s);
    ASSERT_TRUE(notice);
    EXPECT_EQ((*notice)["method"], "notifications/message");
    EXPECT_EQ((*notice)["params"]["level"], "warning");
    EXPECT_EQ((*notice)["params"]["logger"], "orvel-computer-control");
    EXPECT_EQ((*notice)["params"]["data"]["event"], "stopped");
    EXPECT_EQ((*notice)["params"]["data"]["reason"], "user_input");
    int notifications = 0;
    for (const auto& line : mcp.out().jsonLines()) {
        notifications += line.contains("method") ? 1 : 0;
    }
    EXPECT_EQ(notifications, 1) << "the halt before initialize was not reported";
}

TEST(McpLifecycle, TheLogLevelFiltersEventNotifications) {
    McpHarness mcp;
    mcp.initialize();
    EXPECT_EQ(errorCodeOf(mcp.request(1, "logging/setLevel", {{"level", "loud"}})),
              mcp::rpc::invalidParams);
    EXPECT_EQ(mcp.request(2, "logging/setLevel", {{"level", "error"}})["result"], Json::object());
    std::size_t first = mcp.out().lineCount();
    mcp.engine().engine().halt("requested");
    EXPECT_TRUE(linesBefore(mcp, first).empty());
    mcp.engine().engine().ledger().resume();
    mcp.request(3, "logging/setLevel", {{"level", "warning"}});
    mcp.engine().engine().halt("requested");
    EXPECT_TRUE(mcp.out().waitFor([](const Json& line) { return line.contains("method"); }, 5s));
}

TEST(McpEnvelope, ReadMessageTellsRequestsFromNotificationsAndResponses) {
    using Kind = mcp::IncomingMessage::Kind;
    EXPECT_EQ(mcp::readMessage(R"({"jsonrpc":"2.0","id":1,"method":"x"})").kind, Kind::request);
    EXPECT_EQ(mcp::readMessage(R"({"jsonrpc":"2.0","method":"x"})").kind, Kind::notification);
    EXPECT_EQ(mcp::readMessage(R"({"jsonrpc":"2.0","id":1,"result":{}})").kind, Kind::response);
    auto request = mcp::readMessage(R"({"jsonrpc":"2.0","id":"7","method":"x"})");
    EXPECT_EQ(request.params, Json::object());
    EXPECT_NE(mcp::idKey(request.id), mcp::idKey(Json(7)));
}

} // namespace
} // namespace orvel::testing
