#include "mcp/ToolResult.hpp"

#include "OrvelControlCore/Responses.hpp"
#include "mcp/JsonRpc.hpp"

#include <string_view>

namespace orvel::mcp {

namespace {

struct ImageData {
    const std::string* data;
    std::string mimeType;
};

// The screenshot a result carries: observe's own, or the one of act's follow-up observation.
std::optional<ImageData> imageOf(const Json& payload) {
    const Json* holder = &payload;
    auto observation = payload.find("observation");
    if (observation != payload.end() && observation->is_object()) {
        holder = &*observation;
    }
    auto screenshot = holder->find("screenshot");
    if (screenshot == holder->end() || !screenshot->is_object()) {
        return std::nullopt;
    }
    auto data = screenshot->find("data");
    if (data == screenshot->end() || !data->is_string()) {
        return std::nullopt;
    }
    return ImageData{&data->get_ref<const std::string&>(),
                     screenshot->value("mimeType", std::string("image/png"))};
}

// Appends `text` as a JSON string when only quotes and backslashes need escaping: true for the
// wire text of a JSON value (its strings' control characters are escaped already) and for
// Base64. False, with `out` untouched, for text holding a control character.
bool appendQuoted(std::string& out, std::string_view text) {
    std::size_t escapes = 0;
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20) {
            return false;
        }
        escapes += (c == '"' || c == '\\') ? 1 : 0;
    }
    std::size_t at = out.size();
    out.resize(at + text.size() + escapes + 2);
    char* next = out.data() + at;
    *next++ = '"';
    for (char c : text) {
        if (c == '"' || c == '\\') {
            *next++ = '\\';
        }
        *next++ = c;
    }
    *next = '"';
    return true;
}

// A string as JSON text in the wire form, by the quick way when it allows.
bool appendString(std::string& out, const std::string& text) {
    if (appendQuoted(out, text)) {
        return true;
    }
    auto written = wireText(Json{{"", text}});
    if (!written) {
        return false;
    }
    out.append(std::string_view(*written).substr(4, written->size() - 5));
    return true;
}

Json textBlock(std::string text) {
    return Json{{"text", std::move(text)}, {"type", "text"}};
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
    if (details != error.end() && details->is_object()) {
        text += "\ndetails: " + wireText(*details).value_or("{}");
    }
    return text;
}

std::optional<std::string> failureLine(const Json& id, const Json& response,
                                       ProtocolVersion version) {
    Json error = response.value("error", Json::object());
    std::string text = failureText(error);
    return wireText(resultMessage(id, failureResult(std::move(error), std::move(text), version)));
}

// Keys in sorted order, as every output line has them: id, jsonrpc, result; inside the
// result content, then structuredContent. The line is assembled in one buffer.
std::optional<std::string> successLine(const Json& id, const Json& payload,
                                       ProtocolVersion version) {
    auto image = imageOf(payload);
    auto payloadText = image ? wireText(withoutImageData(payload)) : wireText(payload);
    auto idText = wireText(Json{{"id", id}});
    if (!payloadText || !idText) {
        return std::nullopt;
    }
    std::string line;
    // The payload goes in twice (the text block and the structured content); a quarter more
    // covers the text block's escaped quotes.
    line.reserve(idText->size() + payloadText->size() * 9 / 4 + (image ? image->data->size() : 0) +
                 128);
    // {"id":<id>} without its closing brace opens the line.
    line.append(std::string_view(*idText).substr(0, idText->size() - 1));
    line.append(",\"jsonrpc\":\"2.0\",\"result\":{\"content\":[{\"text\":");
    if (!appendString(line, *payloadText)) {
        return std::nullopt;
    }
    line.append(",\"type\":\"text\"}");
    if (image) {
        line.append(",{\"data\":");
        if (!appendString(line, *image->data)) {
            return std::nullopt;
        }
        line.append(",\"mimeType\":");
        if (!appendString(line, image->mimeType)) {
            return std::nullopt;
        }
        line.append(",\"type\":\"image\"}");
    }
    line.append("]");
    if (hasStructuredResults(version)) {
        line.append(",\"structuredContent\":").append(*payloadText);
    }
    line.append("}}");
    return line;
}

} // namespace

std::optional<std::string> toolResultLine(const Json& id, const Json& response,
                                          ProtocolVersion version) {
    auto result = response.find("result");
    if (response.value("ok", false) != true || result == response.end()) {
        return failureLine(id, response, version);
    }
    return successLine(id, *result, version);
}

std::string argumentProblemText(const std::string& tool, const std::vector<std::string>& problems) {
    std::string text = "Invalid arguments for tool " + tool + ": ";
    for (std::size_t i = 0; i < problems.size(); ++i) {
        text += (i == 0 ? "" : "; ") + problems[i];
    }
    return text;
}

} // namespace orvel::mcp
