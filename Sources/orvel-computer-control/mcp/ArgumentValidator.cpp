#include "mcp/ArgumentValidator.hpp"

#include <valijson/adapters/nlohmann_json_adapter.hpp>
#include <valijson/schema.hpp>
#include <valijson/schema_parser.hpp>
#include <valijson/validation_results.hpp>
#include <valijson/validator.hpp>

#include <algorithm>
#include <stdexcept>

namespace orvel::mcp {

namespace {

// The validator names a place as "<root>", "[action]", "[to]", "[0]"; people read action.to.x
// and modifiers[0].
std::string placeName(const std::vector<std::string>& context) {
    std::string place;
    for (const auto& step : context) {
        if (step == "<root>" || step.size() < 2 || step.front() != '[' || step.back() != ']') {
            continue;
        }
        std::string inner = step.substr(1, step.size() - 2);
        bool index = !inner.empty() && std::all_of(inner.begin(), inner.end(),
                                                   [](char c) { return c >= '0' && c <= '9'; });
        if (index) {
            place += "[" + inner + "]";
        } else {
            place += (place.empty() ? "" : ".") + inner;
        }
    }
    return place.empty() ? "arguments" : place;
}

// Errors about a sub-schema as a whole ("failed to validate against ...") only repeat what
// the errors beneath them say.
bool isSummary(const std::string& description) {
    return description.find("Failed to validate") != std::string::npos ||
           description.find("failed to validate") != std::string::npos;
}

constexpr std::size_t mostProblems = 4;

} // namespace

ArgumentValidator::ArgumentValidator(const Json& schema)
    : schema_(std::make_unique<valijson::Schema>()) {
    try {
        valijson::SchemaParser parser(valijson::SchemaParser::kDraft7);
        // The parsed schema keeps copies of what it needs, not references into the document.
        valijson::adapters::NlohmannJsonAdapter adapter(schema);
        parser.populateSchema(adapter, *schema_);
    } catch (const std::exception& error) {
        throw std::runtime_error(std::string("unreadable input schema: ") + error.what());
    }
}

ArgumentValidator::~ArgumentValidator() = default;
ArgumentValidator::ArgumentValidator(ArgumentValidator&&) noexcept = default;
ArgumentValidator& ArgumentValidator::operator=(ArgumentValidator&&) noexcept = default;

std::vector<std::string> ArgumentValidator::problems(const Json& arguments) const {
    valijson::Validator validator;
    valijson::ValidationResults results;
    valijson::adapters::NlohmannJsonAdapter target(arguments);
    if (validator.validate(*schema_, target, &results)) {
        return {};
    }
    std::vector<std::string> found;
    std::vector<std::string> summaries;
    valijson::ValidationResults::Error error;
    while (results.popError(error)) {
        std::string description = error.description;
        if (description.ends_with(".")) {
            description.pop_back();
        }
        std::string line = placeName(error.context) + ": " + description;
        auto& list = isSummary(error.description) ? summaries : found;
        if (std::find(list.begin(), list.end(), line) == list.end()) {
            list.push_back(std::move(line));
        }
    }
    if (found.empty()) {
        found = std::move(summaries);
    }
    if (found.size() > mostProblems) {
        found.resize(mostProblems);
    }
    return found;
}

} // namespace orvel::mcp
