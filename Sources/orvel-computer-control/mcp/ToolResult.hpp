// Turns the engine's response to a tool's request into the JSON-RPC line that answers the
// call: the operation's JSON as structuredContent and as a text block, screenshots as image
// blocks (their data left out of the JSON), and a refusal or failure as a result with isError.
// A successful result is written straight to text from the engine's response, without copying
// it into a message first: an observation's JSON is the bulk of the line, and it is the same
// text twice.
//
// Pure and thread-safe.
#pragma once

#include "OrvelControlCore/Json.hpp"
#include "mcp/ProtocolVersion.hpp"

#include <optional>
#include <string>
#include <vector>

namespace orvel::mcp {

// The whole response line for call `id`, given the engine's success or failure envelope;
// nothing when the response holds a value JSON cannot carry.
std::optional<std::string> toolResultLine(const Json& id, const Json& response,
                                          ProtocolVersion version);

// "Invalid arguments for tool <name>: <problem>; <problem>".
std::string argumentProblemText(const std::string& tool, const std::vector<std::string>& problems);

} // namespace orvel::mcp
