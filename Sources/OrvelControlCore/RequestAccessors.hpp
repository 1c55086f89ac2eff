// Typed reading of request arguments. Each accessor looks up `key` in a request object and
// yields the value only when it has the expected JSON type; a missing key, a wrong type or a
// request that is not an object all read as absent, never as an error. Booleans are never
// numbers and numbers never booleans.
// Pure and thread-safe.
#pragma once

#include "OrvelControlCore/Json.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvel {

// A JSON string.
std::optional<std::string> readString(const Json& request, std::string_view key);

// A JSON number (not a boolean) holding a whole value of at most 2^53 in magnitude: 3, 3.0 and
// 3e0 give 3; 3.5 and 2^53 + 2 give nothing.
std::optional<std::int64_t> readInt(const Json& request, std::string_view key);

// A finite JSON number that is not a boolean.
std::optional<double> readDouble(const Json& request, std::string_view key);

// JSON true or false only.
std::optional<bool> readBool(const Json& request, std::string_view key);

// `readInt` of the key, clamped into `low`...`high` (`fallback` when absent), for request
// fields that bound work: depth, node budgets, click counts, scroll amounts.
int readClampedInt(const Json& request, std::string_view key, int fallback, int low, int high);

// A JSON object, as a view into the request (null when absent): requests may nest deeply,
// and copying one recursively could exhaust the stack.
const Json* readObject(const Json& request, std::string_view key);

// A JSON array all of whose elements are strings.
std::optional<std::vector<std::string>> readStrings(const Json& request, std::string_view key);

// What readInt yields, when it lies in 1 to 2147483647.
std::optional<std::int32_t> readPid(const Json& request, std::string_view key);

// What readInt yields, when it lies in 1 to 4294967295.
std::optional<std::uint32_t> readWindowId(const Json& request, std::string_view key);

} // namespace orvel
