// Tools through an MCP session: every operation's arguments and results, refusals as failed
// tool results, argument checks against the schemas, cancellation, and screenshots kept
// within a tool result's size.
#include "OrvelControlCore/Hashing.hpp"
#include "mcp/ArgumentValidator.hpp"
#include "mcp/JsonRpc.hpp"
#include "support/McpHarness.hpp"

#include <gtest/gtest.h>

#include <thread>

namespace orvel::testing {
namespace {

using namespace std::chrono_literals;

const mcp::Tool& tool(const std::string& name) {
    const mcp::Tool* found = builtInTools().find(name);
    if (!found) {
        throw std::runtime_error("no tool " + name);
    }
    return *found;
}

// The tool result of a response, after checking its structured content against the tool's
// output schema.
Json checkedResult(const Json& response, const std::string& name) {
    EXPECT_TRUE(response.contains("result")) << response.dump().substr(0, 500);
    Json result = response.value("result", Json::object());
    EXPECT_TRUE(result.contains("structuredContent")) << result.dump().substr(0, 500);
    mcp::ArgumentValidator output(tool(name).outputSchema);
    auto problems = output.problems(result.value("structuredContent", Json()));
    std::string all;
    for (const auto& problem : problems) {
        all += "\n  " + problem;
    }
    EXPECT_TRUE(problems.empty()) << name << ":" << all;
    return result;
}

Json structured(const Json& response, const std::string& name) {
    return checkedResult(response, name).value("structuredContent", Json());
}

class McpTools : public ::testing::Test {
  protected:
    void start(const std::string& scenario = scenarioText("default.json"),
               std::optional<ScreenshotBudget> budget = std::nullopt,
               const std::string& version = "2025-11-25") {
        mcp = std::make_unique<McpHarness>(scenario, budget);
        mcp->initialize(version);
    }
    Json call(const std::string& name, Json arguments = Json::object()) {
        return mcp->callTool(++ids, name, std::move(arguments));
    }
    std::unique_ptr<McpHarness> mcp;
    int ids = 0;
};

TEST_F(McpTools, ToolsListServesEveryOperationWithSchemasAndHints) {
    start();
    Json tools = mcp->request("list", "tools/list")["result"]["tools"];
    ASSERT_EQ(tools.size(), 10u);
    for (const auto& entry : tools) {
        const mcp::Tool& known = tool(entry["name"]);
        EXPECT_EQ(entry["inputSchema"]["type"], "object");
        EXPECT_EQ(entry["outputSchema"]["type"], "object");
        EXPECT_EQ(entry["inputSchema"], known.inputSchema);
        EXPECT_FALSE(entry["inputSchema"].dump().find("common.json") != std::string::npos)
            << "served schemas stand on their own";
        EXPECT_TRUE(entry["annotations"]["readOnlyHint"].is_boolean());
        EXPECT_TRUE(entry["title"].is_string());
    }
    EXPECT_EQ(tool("act").hints.destructive, true);
    EXPECT_EQ(tool("observe").hints.readOnly, true);
    EXPECT_EQ(mcp->request("cursor", "tools/list", {{"cursor", "x"}})["error"]["code"],
              mcp::rpc::invalidParams);
}

TEST_F(McpTools, ListingAppsAndWindowsGivesTheOperationsResults) {
    start();
    Json apps = structured(call("apps_list"), "apps_list");
    ASSERT_TRUE(apps["apps"].is_array());
    EXPECT_EQ(apps["apps"].size(), 3u);
    Json windows = structured(call("windows_list", {{"pid", 501}}), "windows_list");
    EXPECT_EQ(windows["app"]["pid"], 501);
    EXPECT_FALSE(windows["windows"].empty());
    Json text = Json::parse(
        call("windows_list", {{"pid", 501}})["result"]["content"][0]["text"].get<std::string>());
    EXPECT_EQ(text, windows) << "the text block carries the same JSON";
}

TEST_F(McpTools, ObservingWithAScreenshotGivesAnImageBlockAndNoDataInTheJson) {
    start();
    Json result = checkedResult(
        call("observe", {{"pid", 501}, {"windowId", 101}, {"screenshot", true}}), "observe");
    const Json& content = result["content"];
    ASSERT_EQ(content.size(), 2u);
    EXPECT_EQ(content[0]["type"], "text");
    EXPECT_EQ(content[1]["type"], "image");
    EXPECT_EQ(content[1]["mimeType"], "image/png");
    EXPECT_EQ(content[1]["data"].get<std::string>().substr(0, 8), "iVBORw0K") << "a PNG";
    Json screenshot = result["structuredContent"]["screenshot"];
    EXPECT_EQ(screenshot["omitted"], true);
    EXPECT_FALSE(screenshot.contains("data"));
    EXPECT_EQ(content[0]["text"].get<std::string>().find("iVBORw0K"), std::string::npos);
}

TEST_F(McpTools, ActingReportsTheChangeAndTheNewObservation) {
    start();
    Json observed = structured(call("observe", {{"pid", 501}, {"windowId", 101}}), "observe");
    std::string save;
    for (const auto& element : observed["elements"]) {
        if (element.value("label", "") == "Lagre") {
            save = element["id"];
        }
    }
    ASSERT_FALSE(save.empty());
    Json acted = structured(call("act", {{"observationId", observed["observationId"]},
                                         {"action", {{"type", "ax.press"}, {"elementId", save}}}}),
                            "act");
    EXPECT_EQ(acted["submitted"], true);
    EXPECT_EQ(acted["changed"], true);
    EXPECT_NE(acted["observation"]["observationId"], observed["observationId"]);
}

TEST_F(McpTools, ARefusalIsAFailedToolResultWithTheFailureAsStructuredContent) {
    start();
    Json result = checkedResult(call("windows_list", {{"pid", 503}}), "windows_list");
    EXPECT_EQ(result["isError"], true);
    EXPECT_EQ(result["structuredContent"]["code"], "denied_target");
    std::string text = result["content"][0]["text"];
    EXPECT_EQ(text.rfind("denied_target: ", 0), 0u) << text;
    EXPECT_NE(text.find(result["structuredContent"]["message"].get<std::string>()),
              std::string::npos);
    EXPECT_NE(text.find("details: "), std::string::npos);
}

TEST_F(McpTools, ControlToolsAndPermissionsGiveTheirResults) {
    start();
    EXPECT_EQ(structured(call("health"), "health")["queued"], 1);
    EXPECT_TRUE(structured(call("permissions_status"), "permissions_status")["accessibility"]);
    EXPECT_EQ(structured(call("permissions_request", {{"permission", "screenRecording"}}),
                         "permissions_request")["requested"],
              "screenRecording");
    EXPECT_EQ(structured(call("release"), "release")["heldInput"],
              (Json{{"buttons", Json::array()}, {"keys", Json::array()}}));
    std::size_t first = mcp->out().lineCount();
    Json stopped = structured(call("stop"), "stop");
    EXPECT_EQ(stopped["stopped"], true);
    auto lines = mcp->out().jsonLines();
    ASSERT_GE(lines.size(), first + 2);
    EXPECT_EQ(lines[first]["params"]["data"]["reason"], "requested")
        << "the halt's warning comes before the stop's result";
    EXPECT_EQ(structured(call("resume"), "resume")["stopped"], false);
}

TEST_F(McpTools, ArgumentsThatDoNotFitSayWhatIsWrong) {
    start();
    Json error = call("observe", {{"pid", "501"}, {"windowId", 101}, {"depth", 99}})["error"];
    EXPECT_EQ(error["code"], mcp::rpc::invalidParams);
    std::string text = error["message"];
    EXPECT_NE(text.find("pid"), std::string::npos) << text;
    EXPECT_NE(text.find("depth"), std::string::npos) << text;

    auto problemsOf = [this](const Json& arguments) {
        Json error = call("act", arguments)["error"];
        EXPECT_EQ(error["code"], mcp::rpc::invalidParams);
        return error["message"].get<std::string>();
    };
    EXPECT_NE(problemsOf({{"observationId", "o"}, {"action", {{"type", "pointer.click"}}}})
                  .find("action"),
              std::string::npos);
    EXPECT_NE(
        problemsOf({{"observationId", "o"}, {"action", {{"type", "ax.press"}}}}).find("elementId"),
        std::string::npos);
    EXPECT_NE(problemsOf({{"observationId", "o"},
                          {"action", {{"type", "ax.press"}, {"elementId", "e1"}}},
                          {"artifactPath", "/tmp/x.png"}})
                  .find("artifactPath"),
              std::string::npos);
    EXPECT_NE(problemsOf({{"observationId", "o"},
                          {"action", {{"type", "key.press"}, {"key", "a"}, {"modifiers", {1}}}}})
                  .find("modifiers[0]"),
              std::string::npos);
    EXPECT_EQ(structured(call("health"), "health")["queued"], 1) << "nothing reached the engine";
}

TEST_F(McpTools, OlderRevisionsGetTheSameProtocolErrorForArguments) {
    start(scenarioText("default.json"), std::nullopt, "2025-06-18");
    Json response = call("observe", {{"pid", 501}});
    EXPECT_EQ(response["error"]["code"], mcp::rpc::invalidParams);
    EXPECT_NE(response["error"]["message"].get<std::string>().find("windowId"), std::string::npos);
}

TEST_F(McpTools, BadCallsAreInvalidParams) {
    start();
    EXPECT_EQ(call("no_such_tool")["error"]["code"], mcp::rpc::invalidParams);
    EXPECT_EQ(mcp->request("n", "tools/call", {{"arguments", Json::object()}})["error"]["code"],
              mcp::rpc::invalidParams);
    EXPECT_EQ(mcp->request("a", "tools/call",
                           {{"name", "health"}, {"arguments", {1, 2}}})["error"]["code"],
              mcp::rpc::invalidParams);
    EXPECT_TRUE(mcp->request("m", "tools/call", {{"name", "health"}})["result"].is_object())
        << "arguments may be left out";
}

TEST_F(McpTools, TheOldestRevisionGetsTextOnly) {
    start(scenarioText("default.json"), std::nullopt, "2025-03-26");
    Json result = call("health")["result"];
    EXPECT_FALSE(result.contains("structuredContent"));
    EXPECT_EQ(Json::parse(result["content"][0]["text"].get<std::string>())["queued"], 1);
    Json tools = mcp->request("list", "tools/list")["result"]["tools"];
    EXPECT_FALSE(tools[0].contains("outputSchema"));
}

TEST_F(McpTools, ACancelledCallIsCancelledInTheEngineAndGetsNoResponse) {
    start(scenarioText("slow-app.json"));
    mcp->sendMessage(
        Json{{"jsonrpc", "2.0"},
             {"id", "slow"},
             {"method", "tools/call"},
             {"params", {{"name", "observe"}, {"arguments", {{"pid", 601}, {"windowId", 610}}}}}});
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(mcp->request("slow", "ping")["error"]["code"], mcp::rpc::invalidRequest)
        << "the id belongs to a call in flight";
    EXPECT_EQ(structured(call("health"), "health")["queued"], 2);
    mcp->sendMessage(Json{{"jsonrpc", "2.0"},
                          {"method", "notifications/cancelled"},
                          {"params", {{"requestId", "slow"}, {"reason", "test"}}}});
    auto deadline = std::chrono::steady_clock::now() + 5s;
    int queued = 2;
    while (queued > 1 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(50ms);
        queued = structured(call("health"), "health")["queued"];
    }
    EXPECT_EQ(queued, 1) << "the engine let the observation go";
    std::this_thread::sleep_for(200ms);
    for (const auto& line : mcp->out().jsonLines()) {
        EXPECT_FALSE(line.value("id", Json()) == "slow" && line.contains("result")) << line.dump();
    }
    mcp->sendMessage(Json{{"jsonrpc", "2.0"},
                          {"method", "notifications/cancelled"},
                          {"params", {{"requestId", "never-sent"}}}});
    EXPECT_EQ(mcp->request("slow", "ping")["result"], Json::object()) << "the id is free again";
}

TEST_F(McpTools, AScreenshotIsKeptWithinThePixelBudgetAndSaysSo) {
    start(scenarioText("default.json"), ScreenshotBudget{200000, 6291456});
    Json result = checkedResult(
        call("observe", {{"pid", 501}, {"windowId", 101}, {"screenshot", true}}), "observe");
    Json screenshot = result["structuredContent"]["screenshot"];
    EXPECT_EQ(screenshot["scaledForTransport"], true);
    EXPECT_LE(screenshot["pixelWidth"].get<long>() * screenshot["pixelHeight"].get<long>(), 200000);
}

TEST_F(McpTools, AScreenshotTooLargeInBytesIsRetakenSmaller) {
    // The full 1520 x 1120 picture of this window takes about 14,000 characters of Base64.
    start(scenarioText("default.json"), ScreenshotBudget{4500000, 8000});
    Json result = checkedResult(
        call("observe", {{"pid", 501}, {"windowId", 101}, {"screenshot", true}}), "observe");
    ASSERT_NE(result.value("isError", false), true) << result.dump().substr(0, 400);
    Json screenshot = result["structuredContent"]["screenshot"];
    EXPECT_EQ(screenshot["scaledForTransport"], true);
    EXPECT_LT(screenshot["pixelWidth"], 1520);
    EXPECT_LE(result["content"][1]["data"].get<std::string>().size(), 8000u);
}

TEST_F(McpTools, AScreenshotThatCannotFitFailsAsTooLarge) {
    start(scenarioText("default.json"), ScreenshotBudget{200000, 40});
    Json result =
        call("observe", {{"pid", 501}, {"windowId", 101}, {"screenshot", true}})["result"];
    EXPECT_EQ(result["isError"], true);
    EXPECT_EQ(result["structuredContent"]["code"], "too_large");
}

TEST(ScreenshotBudget, WithoutABudgetTheScreenshotCarriesNoTransportKey) {
    EngineHarness harness(scenarioText("default.json"));
    Json response = harness.request(
        {{"id", "o"}, {"op", "observe"}, {"pid", 501}, {"windowId", 101}, {"screenshot", true}});
    ASSERT_EQ(response["ok"], true) << response.dump().substr(0, 300);
    EXPECT_FALSE(response["result"]["screenshot"].contains("scaledForTransport"));
    EXPECT_EQ(response["result"]["screenshot"]["pixelWidth"], 1520) << "full resolution";
}

TEST(ScreenshotBudget, AGenerousBudgetLeavesTheScreenshotAsItIs) {
    EngineHarness harness(scenarioText("default.json"), [] {
        HarnessOptions options;
        options.screenshotBudget = ScreenshotBudget{4500000, 6291456};
        return options;
    }());
    Json response = harness.request(
        {{"id", "o"}, {"op", "observe"}, {"pid", 501}, {"windowId", 101}, {"screenshot", true}});
    EXPECT_EQ(response["result"]["screenshot"]["scaledForTransport"], false);
    EXPECT_EQ(response["result"]["screenshot"]["pixelWidth"], 1520);
}

} // namespace
} // namespace orvel::testing
