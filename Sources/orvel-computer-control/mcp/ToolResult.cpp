#include "mcp/ToolResult.hpp"

namespace orvel::mcp {

namespace {

struct Image {
    std::string data;
    std::string mimeType;
};

// Every "screenshot" object with image data gives up its data, which is left as omitted: true
// (the form stored receipts have), so the JSON stays small and the picture travels once.
void takeImages(Json& value, std::vector<Image>& images) {
    if (value.is_array()) {
        for (auto& item : value) {
            takeImages(item, images);
        }
        return;
    }
    if (!value.is_object()) {
        return;
    }
    for (auto& [key, member] : value.items()) {
        if (key == "screenshot" && member.is_object() && member.contains("data")) {
            Json& data = member["data"];
            if (data.is_string()) {
                images.push_back(Image{std::move(data.get_ref<std::string&>()),
                                       member.value("mimeType", std::string("image/png"))});
            }
            member.erase("data");
            member["omitted"] = true;
            continue;
        }
        takeImages(member, images);
    }
}

std::string jsonText(const Json& value) {
    auto text = wireText(value);
    return text ? std::move(*text) : value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Json textBlock(std::string text) {
    return Json{{"type", "text"}, {"text", std::move(text)}};
}

Json failureResult(Json error, std::string text, ProtocolVersion version) {
    Json result{{"content", Json::array({textBlock(std::move(text))})}, {"isError", true}};
    if (hasStructuredResults(version)) {
        result["structuredContent"] = std::move(error);
    }
    return result;
}

std::string failureText(const Json& error) {
    std::string text =
        error.value("code", std::string()) + ": " + error.value("message", std::string());
    auto details = error.find("details");
    if (details != error.end()) {
        text += "\ndetails: " + jsonText(*details);
    }
    return text;
}

} // namespace

Json toolResult(Json&& response, ProtocolVersion version) {
    if (response.value("ok", false) != true) {
        Json error = response.value("error", Json::object());
        std::string text = failureText(error);
        return failureResult(std::move(error), std::move(text), version);
    }
    Json payload = std::move(response["result"]);
    std::vector<Image> images;
    takeImages(payload, images);
    Json content = Json::array({textBlock(jsonText(payload))});
    for (auto& image : images) {
        content.push_back(Json{{"type", "image"},
                               {"data", std::move(image.data)},
                               {"mimeType", std::move(image.mimeType)}});
    }
    Json result{{"content", std::move(content)}};
    if (hasStructuredResults(version)) {
        result["structuredContent"] = std::move(payload);
    }
    return result;
}

std::string argumentProblemText(const std::string& tool, const std::vector<std::string>& problems) {
    std::string text = "Invalid arguments for tool " + tool + ": ";
    for (std::size_t i = 0; i < problems.size(); ++i) {
        text += (i == 0 ? "" : "; ") + problems[i];
    }
    return text;
}

Json argumentFailureResult(const std::string& tool, const std::vector<std::string>& problems,
                           ProtocolVersion version) {
    Json error{{"code", "invalid_request"},
               {"message", "Forespørselen har argumenter som ikke passer til verktøyet."},
               {"details", {{"tool", tool}, {"problems", problems}}}};
    std::string text = "invalid_request: " + error["message"].get<std::string>() + "\n" +
                       argumentProblemText(tool, problems);
    return failureResult(std::move(error), std::move(text), version);
}

} // namespace orvel::mcp
