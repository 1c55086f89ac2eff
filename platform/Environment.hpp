// The process environment, read through a function so that the choices made from it (which
// desktop, which display, which buses) can be tested without changing the real environment.
//
// `processEnvironment` reads the real environment; it must not race a thread that changes it
// (the program never does). An empty value reads as absent, as a variable set to nothing
// means "not chosen" everywhere the program reads one.
#pragma once

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

namespace orvel::platform {

using EnvironmentLookup = std::function<std::optional<std::string>(const std::string& name)>;

inline EnvironmentLookup processEnvironment() {
    return [](const std::string& name) -> std::optional<std::string> {
        const char* value = std::getenv(name.c_str());
        if (value == nullptr || *value == '\0') {
            return std::nullopt;
        }
        return std::string(value);
    };
}

} // namespace orvel::platform
