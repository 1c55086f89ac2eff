// The JSON-RPC 2.0 envelope of an MCP session: what one incoming line is (a request, a
// notification, a response to us, or something that is not a valid message at all), and the
// three kinds of line the server writes (a result, an error, a notification).
//
// Pure and thread-safe.
#pragma once

#include "OrvelControlCore/Json.hpp"

#include <string>
#include <string_view>

namespace orvel::mcp {

namespace rpc {

inline constexpr int parseError = -32700;
inline constexpr int invalidRequest = -32600;
inline constexpr int methodNotFound = -32601;
inline constexpr int invalidParams = -32602;
inline constexpr int internalError = -32603;

} // namespace rpc

struct IncomingMessage {
    enum class Kind {
        request,      // method and id: must be answered
        notification, // method, no id: never answered
        response,     // result or error for a request of ours: nothing to do
        invalid,      // answered with `error` under `id` (null when none could be read)
    };
    Kind kind = Kind::invalid;
    Json id;            // the request's id exactly as sent; null when there is none
    std::string method; // request and notification
    Json params;        // an object; empty when the message has no params
    int errorCode = 0;  // invalid
    std::string errorMessage;
};

// Classifies one line. Batches are refused: the protocol revisions served here send one
// message per line.
IncomingMessage readMessage(std::string_view line);

// The key by which an id is booked: ids of different JSON types never collide.
std::string idKey(const Json& id);

Json resultMessage(const Json& id, Json result);
Json errorMessage(const Json& id, int code, const std::string& message);
Json notificationMessage(const std::string& method, Json params);

} // namespace orvel::mcp
