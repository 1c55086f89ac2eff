#include "OrvelControlCore/Failure.hpp"

#include <utility>

namespace orvel {

Failure::Failure(std::string code, std::string message, Json details)
    : code(std::move(code)), message(std::move(message)), details(std::move(details)) {}

Failure Failure::adding(const Json& extra) const {
    Json merged = details.is_object() ? details : Json::object();
    if (extra.is_object()) {
        for (const auto& [key, value] : extra.items()) {
            merged[key] = value;
        }
    }
    return Failure(code, message, std::move(merged));
}

} // namespace orvel
