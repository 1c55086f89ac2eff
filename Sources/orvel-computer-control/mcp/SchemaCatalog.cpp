#include "mcp/SchemaCatalog.hpp"

#include <deque>
#include <stdexcept>

namespace orvel::mcp {

namespace {

constexpr std::string_view commonFile = "common.json";
constexpr std::string_view commonPrefix = "common.json#/$defs/";
constexpr std::string_view localPrefix = "#/$defs/";

// Points every reference at a local definition and notes the definitions it needs. Inside
// common.json's own definitions, local references name common.json's definitions too.
void localiseReferences(Json& value, bool insideCommon, std::deque<std::string>& needed) {
    if (value.is_array()) {
        for (auto& item : value) {
            localiseReferences(item, insideCommon, needed);
        }
        return;
    }
    if (!value.is_object()) {
        return;
    }
    for (auto& [key, member] : value.items()) {
        if (key == "$ref" && member.is_string()) {
            std::string_view target = member.get_ref<const std::string&>();
            if (target.starts_with(commonPrefix)) {
                std::string name(target.substr(commonPrefix.size()));
                member = std::string(localPrefix) + name;
                needed.push_back(std::move(name));
            } else if (insideCommon && target.starts_with(localPrefix)) {
                needed.emplace_back(target.substr(localPrefix.size()));
            }
            continue;
        }
        localiseReferences(member, insideCommon, needed);
    }
}

void mergeDefinitions(Json& into, const Json& from) {
    for (const auto& [name, definition] : from.items()) {
        auto existing = into.find(name);
        if (existing != into.end() && *existing != definition) {
            throw std::runtime_error("conflicting schema definitions named " + name);
        }
        into[name] = definition;
    }
}

} // namespace

SchemaCatalog::SchemaCatalog(std::span<const EmbeddedSchema> schemas) {
    for (const auto& schema : schemas) {
        Json parsed = Json::parse(schema.text, nullptr, false);
        if (parsed.is_discarded() || !parsed.is_object()) {
            throw std::runtime_error("schema " + std::string(schema.name) +
                                     " is not a JSON object");
        }
        files_.emplace(std::string(schema.name), std::move(parsed));
    }
}

const SchemaCatalog& SchemaCatalog::builtIn() {
    static const SchemaCatalog catalog(std::span(embeddedSchemas, embeddedSchemaCount));
    return catalog;
}

bool SchemaCatalog::contains(std::string_view name) const {
    return files_.find(name) != files_.end();
}

const Json& SchemaCatalog::file(std::string_view name) const {
    auto found = files_.find(name);
    if (found == files_.end()) {
        throw std::out_of_range("no schema named " + std::string(name));
    }
    return found->second;
}

Json SchemaCatalog::bundled(std::string_view name) const {
    Json schema = file(name);
    schema.erase("$schema");
    schema.erase("$id");
    std::deque<std::string> needed;
    localiseReferences(schema, name == commonFile, needed);
    Json definitions = schema.contains("$defs") ? schema["$defs"] : Json::object();
    const Json& common = file(commonFile).at("$defs");
    while (!needed.empty()) {
        std::string definitionName = std::move(needed.front());
        needed.pop_front();
        if (definitions.contains(definitionName)) {
            continue;
        }
        Json definition = common.at(definitionName);
        localiseReferences(definition, true, needed);
        definitions[definitionName] = std::move(definition);
    }
    if (!definitions.empty()) {
        schema["$defs"] = std::move(definitions);
    }
    return schema;
}

Json SchemaCatalog::toolOutputSchema(std::string_view resultName) const {
    Json result = bundled(resultName);
    Json failure = bundled("failure.json");
    Json definitions = Json::object();
    for (Json* part : {&result, &failure}) {
        if (part->contains("$defs")) {
            mergeDefinitions(definitions, (*part)["$defs"]);
            part->erase("$defs");
        }
        part->erase("title");
    }
    std::string description = result.value("description", std::string());
    result.erase("description");
    Json schema{
        {"type", "object"},
        {"description", description + " With isError true: the failure's code, Norwegian "
                                      "message and details instead."},
        {"anyOf", Json::array({std::move(result), std::move(failure)})},
    };
    if (!definitions.empty()) {
        schema["$defs"] = std::move(definitions);
    }
    return schema;
}

} // namespace orvel::mcp
