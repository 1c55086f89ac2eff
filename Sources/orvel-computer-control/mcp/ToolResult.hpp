// Turns the engine's response to a tool's request into an MCP tool result: the operation's
// JSON as structuredContent and as a text block, screenshots as image blocks (their data
// taken out of the JSON), and a refusal or failure as a result with isError.
//
// Pure and thread-safe.
#pragma once

#include "OrvelControlCore/Json.hpp"
#include "mcp/ProtocolVersion.hpp"

#include <string>
#include <vector>

namespace orvel::mcp {

// `response` is the engine's success or failure envelope; its screenshot data is moved out.
Json toolResult(Json&& response, ProtocolVersion version);

// The failed tool result for arguments that do not fit the tool's input schema.
Json argumentFailureResult(const std::string& tool, const std::vector<std::string>& problems,
                           ProtocolVersion version);

// "Invalid arguments for tool <name>: <problem>; <problem>".
std::string argumentProblemText(const std::string& tool, const std::vector<std::string>& problems);

} // namespace orvel::mcp
