// The JSON value type of the program and the two ways it is turned into text: the wire form
// written to standard output (compact, keys sorted, "/" left alone) and the fingerprint form
// hashed to recognise a repeated request (the same, but with every "/" escaped).
//
// All functions are pure and may be called from any thread.
#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace orvel {

// nlohmann's default object type is a std::map, so keys are always iterated in bytewise order.
using Json = nlohmann::json;

// False when any number anywhere in the value is NaN or infinite.
bool isFiniteJson(const Json& value);

// True when the value can travel as JSON text: every number finite, every string and key valid
// UTF-8, and no binary or discarded values anywhere.
bool isSerialisable(const Json& value);

// Compact text with sorted keys and "/" unescaped, or nothing when the value is not an object or
// is not serialisable. Long strings are copied in runs, so multi-megabyte Base64 fields are cheap.
std::optional<std::string> wireText(const Json& value);

// Compact text with sorted keys and every "/" escaped as "\/". Never fails: a non-finite number
// is written as null and bytes that are not valid UTF-8 are copied as they are, which keeps the
// text a faithful, deterministic image of the value.
std::string fingerprintText(const Json& value);

// The fingerprint text of `value` as if its top-level key `key` were absent, without copying it.
std::string fingerprintTextWithout(const Json& value, std::string_view key);

} // namespace orvel
