// The one error value of the program: a machine-readable code, a Norwegian message for the user
// and optional structured details. Operations throw it by value; the engine turns it into a
// failure response. It deliberately does not derive from std::exception, so that a handler for
// std::exception never swallows it by mistake.
// A plain value; thread-safe.
#pragma once

#include "OrvelControlCore/Json.hpp"

#include <string>

namespace orvel {

struct Failure {
    std::string code;
    std::string message;
    // A string-keyed object; empty when there are no details.
    Json details = Json::object();

    Failure(std::string code, std::string message, Json details = Json::object());

    // The same failure with the members of `extra` merged into the details; a key of `extra`
    // replaces the same key of the details.
    Failure adding(const Json& extra) const;

    bool operator==(const Failure&) const = default;
};

} // namespace orvel
