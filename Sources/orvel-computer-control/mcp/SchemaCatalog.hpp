// The protocol's JSON Schemas, one file per operation's request and result plus the shared
// definitions, and the self-contained forms an MCP client is served: every reference into
// common.json replaced by a local definition, so a tool's schema stands on its own.
//
// Immutable after construction; safe to read from any thread.
#pragma once

#include "OrvelControlCore/Json.hpp"
#include "mcp/EmbeddedSchemas.hpp"

#include <map>
#include <span>
#include <string>
#include <string_view>

namespace orvel::mcp {

class SchemaCatalog {
  public:
    // Throws std::runtime_error when a schema is not valid JSON: a fault of the build.
    explicit SchemaCatalog(std::span<const EmbeddedSchema> schemas);
    // The schemas compiled into the program.
    static const SchemaCatalog& builtIn();

    bool contains(std::string_view name) const;
    // The file as the repository holds it; throws std::out_of_range for an unknown name.
    const Json& file(std::string_view name) const;
    // The file without "$schema" and "$id", with what it uses of common.json under "$defs".
    Json bundled(std::string_view name) const;
    // What a tool's structuredContent can be: the operation's result, or the failure that
    // comes with isError.
    Json toolOutputSchema(std::string_view resultName) const;

  private:
    std::map<std::string, Json, std::less<>> files_;
};

} // namespace orvel::mcp
