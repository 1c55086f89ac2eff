// The engine's event lines as MCP log notifications: a halt (the "stopped" event) is a
// warning the host should show, "input_settled" and "input_released" are information. The
// event object itself is the notification's data. Also the log levels a client may set.
//
// Pure and thread-safe.
#pragma once

#include "OrvelControlCore/Json.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace orvel::mcp {

// In increasing severity, as the protocol orders them.
enum class LogLevel { debug, info, notice, warning, error, critical, alert, emergency };

std::optional<LogLevel> logLevelNamed(std::string_view name);
std::string logLevelName(LogLevel level);

LogLevel eventLevel(const Json& event);
// The whole notifications/message line for an event line.
Json eventNotification(const Json& event);

} // namespace orvel::mcp
