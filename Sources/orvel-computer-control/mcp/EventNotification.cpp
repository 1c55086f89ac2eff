#include "mcp/EventNotification.hpp"

#include "mcp/JsonRpc.hpp"

#include <array>

namespace orvel::mcp {

namespace {

constexpr std::array<std::string_view, 8> levelNames = {"debug", "info",     "notice", "warning",
                                                        "error", "critical", "alert",  "emergency"};

} // namespace

std::optional<LogLevel> logLevelNamed(std::string_view name) {
    for (std::size_t i = 0; i < levelNames.size(); ++i) {
        if (levelNames[i] == name) {
            return static_cast<LogLevel>(i);
        }
    }
    return std::nullopt;
}

std::string logLevelName(LogLevel level) {
    return std::string(levelNames[static_cast<std::size_t>(level)]);
}

LogLevel eventLevel(const Json& event) {
    return event.value("event", std::string()) == "stopped" ? LogLevel::warning : LogLevel::info;
}

Json eventNotification(const Json& event) {
    return notificationMessage("notifications/message",
                               Json{{"level", logLevelName(eventLevel(event))},
                                    {"logger", "orvel-computer-control"},
                                    {"data", event}});
}

} // namespace orvel::mcp
