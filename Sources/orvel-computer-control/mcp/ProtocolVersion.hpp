// The MCP protocol revisions this server speaks and what differs between them: a client asking
// for one of the older revisions gets that revision, any other request gets the newest.
//
// Pure and thread-safe.
#pragma once

#include <string>
#include <string_view>

namespace orvel::mcp {

enum class ProtocolVersion { v2025_03_26, v2025_06_18, v2025_11_25 };

ProtocolVersion negotiateVersion(std::string_view requested);
std::string versionName(ProtocolVersion version);

// Tool titles, output schemas and structured results came with 2025-06-18.
bool hasStructuredResults(ProtocolVersion version);

} // namespace orvel::mcp
