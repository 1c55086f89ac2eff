// The MCP tools: one per operation of the program, each with a description written for a
// model, behaviour hints, the operation's request schema as its input schema and its result
// (or failure) as its output schema, and the checker of its arguments.
//
// Built once before the session starts; immutable and safe to read from any thread.
#pragma once

#include "OrvelControlCore/Json.hpp"
#include "mcp/ArgumentValidator.hpp"
#include "mcp/ProtocolVersion.hpp"
#include "mcp/SchemaCatalog.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace orvel::mcp {

struct ToolHints {
    bool readOnly = false;
    bool destructive = false;
    bool idempotent = false;
    bool openWorld = false;
};

struct Tool {
    std::string name;
    std::string op; // the operation of the JSON-lines protocol it runs
    std::string title;
    std::string description;
    ToolHints hints;
    Json inputSchema;
    Json outputSchema;
    ArgumentValidator arguments;
};

class ToolTable {
  public:
    explicit ToolTable(const SchemaCatalog& schemas);

    const Tool* find(std::string_view name) const;
    const std::vector<Tool>& tools() const { return tools_; }
    // The result of tools/list in the form the revision knows.
    const Json& listResult(ProtocolVersion version) const;

  private:
    std::vector<Tool> tools_;
    Json structuredList_;
    Json plainList_;
};

} // namespace orvel::mcp
