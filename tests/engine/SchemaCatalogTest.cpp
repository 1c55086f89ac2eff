// The protocol's schemas as compiled into the program and as an MCP client is served them.
#include "mcp/SchemaCatalog.hpp"
#include "mcp/ArgumentValidator.hpp"

#include <gtest/gtest.h>

#include <functional>

namespace orvel::testing {
namespace {

const std::vector<std::string> operations = {"ping",
                                             "health",
                                             "permissions.status",
                                             "stop",
                                             "resume",
                                             "release",
                                             "cancel",
                                             "shutdown",
                                             "apps.list",
                                             "windows.list",
                                             "permissions.request",
                                             "observe",
                                             "act"};

// Every "$ref" in the schema, resolved as a JSON pointer into the schema itself.
void expectReferencesResolveLocally(const Json& schema) {
    std::function<void(const Json&)> walk = [&](const Json& value) {
        if (value.is_object()) {
            for (const auto& [key, member] : value.items()) {
                if (key == "$ref") {
                    std::string target = member;
                    ASSERT_EQ(target.rfind("#/", 0), 0u) << target;
                    EXPECT_TRUE(schema.contains(Json::json_pointer(target.substr(1)))) << target;
                } else {
                    walk(member);
                }
            }
        } else if (value.is_array()) {
            for (const auto& item : value) {
                walk(item);
            }
        }
    };
    walk(schema);
}

TEST(SchemaCatalog, EveryOperationHasARequestAndAResultSchema) {
    const auto& catalog = mcp::SchemaCatalog::builtIn();
    for (const auto& op : operations) {
        for (const char* part : {".request.json", ".result.json"}) {
            ASSERT_TRUE(catalog.contains(op + part)) << op + part;
            EXPECT_EQ(catalog.file(op + part)["$id"], op + part);
        }
    }
    for (const char* name : {"common.json", "request.json", "response.json", "event.json"}) {
        EXPECT_TRUE(catalog.contains(name)) << name;
    }
}

TEST(SchemaCatalog, BundledSchemasStandOnTheirOwn) {
    const auto& catalog = mcp::SchemaCatalog::builtIn();
    for (const auto& op : operations) {
        for (const Json& schema : {catalog.bundled(op + ".request.json"),
                                   catalog.toolOutputSchema(op + ".result.json")}) {
            EXPECT_FALSE(schema.contains("$schema"));
            EXPECT_FALSE(schema.contains("$id"));
            EXPECT_EQ(schema["type"], "object") << op;
            EXPECT_EQ(schema.dump().find("common.json"), std::string::npos) << op;
            expectReferencesResolveLocally(schema);
            EXPECT_NO_THROW(mcp::ArgumentValidator{schema}) << op;
        }
    }
}

TEST(SchemaCatalog, AToolOutputIsTheResultOrTheFailure) {
    mcp::ArgumentValidator output(
        mcp::SchemaCatalog::builtIn().toolOutputSchema("stop.result.json"));
    Json held{{"keys", Json::array()}, {"buttons", Json::array()}};
    EXPECT_TRUE(
        output
            .problems(
                {{"stopped", true}, {"heldInput", held}, {"epoch", 2}, {"mutationsRunning", 0}})
            .empty());
    EXPECT_TRUE(
        output.problems({{"code", "stopped"}, {"message", "Styringen er stoppet."}}).empty());
    EXPECT_FALSE(output.problems({{"stopped", true}}).empty());
    EXPECT_FALSE(output.problems({{"code", "Stopped"}, {"message", "x"}}).empty());
}

TEST(ArgumentValidator, NamesThePlaceOfEachProblem) {
    mcp::ArgumentValidator act(mcp::SchemaCatalog::builtIn().bundled("act.request.json"));
    EXPECT_TRUE(
        act.problems({{"observationId", "obs-1-2"},
                      {"action", {{"type", "ax.setValue"}, {"elementId", "e3"}, {"value", ""}}}})
            .empty());
    auto problems = act.problems(
        {{"observationId", "obs-1-2"},
         {"mode", "Foreground"},
         {"action", {{"type", "pointer.drag"}, {"x", 1}, {"y", 2}, {"to", {{"x", "far"}}}}}});
    std::string all;
    for (const auto& problem : problems) {
        all += problem + "\n";
    }
    EXPECT_NE(all.find("mode"), std::string::npos) << all;
    EXPECT_NE(all.find("action.to"), std::string::npos) << all;
    EXPECT_EQ(all.find(".:"), std::string::npos) << "no doubled full stops: " << all;
}

TEST(ArgumentValidator, IntegersAndBooleansAreNotConfused) {
    mcp::ArgumentValidator observe(mcp::SchemaCatalog::builtIn().bundled("observe.request.json"));
    EXPECT_TRUE(observe.problems({{"pid", 1}, {"windowId", 4294967295LL}}).empty());
    EXPECT_FALSE(observe.problems({{"pid", true}, {"windowId", 1}}).empty());
    EXPECT_FALSE(observe.problems({{"pid", 0}, {"windowId", 1}}).empty());
    EXPECT_FALSE(observe.problems({{"pid", 1}, {"windowId", 4294967296LL}}).empty());
    EXPECT_FALSE(observe.problems({{"pid", 1}, {"windowId", 1}, {"screenshot", 1}}).empty());
    EXPECT_FALSE(observe.problems({{"pid", 1.5}, {"windowId", 1}}).empty());
}

} // namespace
} // namespace orvel::testing
