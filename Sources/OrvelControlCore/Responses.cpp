#include "OrvelControlCore/Responses.hpp"

#include <utility>

namespace orvel {
namespace {

bool hasImageData(const Json& screenshot) {
    return screenshot.is_object() && screenshot.contains("data");
}

Json screenshotWithoutData(const Json& screenshot) {
    Json copy = screenshot;
    copy.erase("data");
    copy["omitted"] = true;
    return copy;
}

} // namespace

Json okResponse(const std::string& id, Json result) {
    return Json{{"id", id}, {"ok", true}, {"result", std::move(result)}};
}

Json errorResponse(const std::string& id, const Failure& failure) {
    Json error{{"code", failure.code}, {"message", failure.message}};
    const Json& details = failure.details;
    if (details.is_object() && !details.empty() && isSerialisable(details)) {
        error["details"] = details;
    }
    return Json{{"id", id}, {"ok", false}, {"error", std::move(error)}};
}

Json withoutImageData(const Json& value) {
    if (value.is_object()) {
        Json copy = Json::object();
        for (const auto& [key, member] : value.items()) {
            copy[key] = key == "screenshot" && hasImageData(member) ? screenshotWithoutData(member)
                                                                    : withoutImageData(member);
        }
        return copy;
    }
    if (value.is_array()) {
        Json copy = Json::array();
        for (const auto& element : value) {
            copy.push_back(withoutImageData(element));
        }
        return copy;
    }
    return value;
}

Json eventLine(const std::string& event, Json fields) {
    Json line = fields.is_object() ? std::move(fields) : Json::object();
    line["event"] = event;
    return line;
}

} // namespace orvel
