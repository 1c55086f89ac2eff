#include "mcp/JsonRpc.hpp"

namespace orvel::mcp {

namespace {

IncomingMessage invalid(Json id, int code, std::string message) {
    IncomingMessage result;
    result.kind = IncomingMessage::Kind::invalid;
    result.id = std::move(id);
    result.errorCode = code;
    result.errorMessage = std::move(message);
    return result;
}

// Strings and integers, as the protocol allows; never null, never a fraction.
bool isValidId(const Json& id) {
    return id.is_string() || id.is_number_integer() || id.is_number_unsigned();
}

} // namespace

IncomingMessage readMessage(std::string_view line) {
    Json message = Json::parse(line, nullptr, false);
    if (message.is_discarded()) {
        return invalid(nullptr, rpc::parseError, "Parse error: the line is not valid JSON");
    }
    if (message.is_array()) {
        return invalid(nullptr, rpc::invalidRequest,
                       "Invalid Request: batches are not supported; send one message per line");
    }
    if (!message.is_object()) {
        return invalid(nullptr, rpc::invalidRequest,
                       "Invalid Request: a message must be a JSON object");
    }
    auto idEntry = message.find("id");
    bool hasId = idEntry != message.end();
    Json id = hasId && isValidId(*idEntry) ? *idEntry : Json(nullptr);
    auto version = message.find("jsonrpc");
    if (version == message.end() || *version != "2.0") {
        return invalid(id, rpc::invalidRequest, "Invalid Request: \"jsonrpc\" must be \"2.0\"");
    }
    if (hasId && !isValidId(*idEntry)) {
        return invalid(nullptr, rpc::invalidRequest,
                       "Invalid Request: \"id\" must be a string or an integer");
    }
    auto method = message.find("method");
    if (method == message.end()) {
        if (hasId && (message.contains("result") || message.contains("error"))) {
            IncomingMessage response;
            response.kind = IncomingMessage::Kind::response;
            response.id = id;
            return response;
        }
        return invalid(id, rpc::invalidRequest, "Invalid Request: \"method\" is missing");
    }
    if (!method->is_string()) {
        return invalid(id, rpc::invalidRequest, "Invalid Request: \"method\" must be a string");
    }
    auto params = message.find("params");
    if (params != message.end() && !params->is_object()) {
        return invalid(id, rpc::invalidRequest, "Invalid Request: \"params\" must be an object");
    }
    IncomingMessage result;
    result.kind = hasId ? IncomingMessage::Kind::request : IncomingMessage::Kind::notification;
    result.id = std::move(id);
    result.method = method->get<std::string>();
    result.params = params != message.end() ? std::move(*params) : Json::object();
    return result;
}

std::string idKey(const Json& id) {
    return id.dump();
}

Json resultMessage(const Json& id, Json result) {
    return Json{{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}};
}

Json errorMessage(const Json& id, int code, const std::string& message) {
    return Json{{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}};
}

Json notificationMessage(const std::string& method, Json params) {
    return Json{{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}

} // namespace orvel::mcp
