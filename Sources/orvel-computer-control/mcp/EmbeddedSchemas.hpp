// The JSON Schemas of the schemas/ folder, compiled into the program at build time (the build
// generates the definitions), so that the MCP session serves exactly what the repository holds.
#pragma once

#include <cstddef>
#include <string_view>

namespace orvel::mcp {

struct EmbeddedSchema {
    std::string_view name; // the file name, such as "observe.request.json"
    std::string_view text;
};

extern const EmbeddedSchema embeddedSchemas[];
extern const std::size_t embeddedSchemaCount;

} // namespace orvel::mcp
