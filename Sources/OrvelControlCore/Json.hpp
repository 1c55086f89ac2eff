// The JSON value type of the program, how a request line is read into it, and the two ways it is
// turned into text: the wire form written to standard output (compact, keys sorted, "/" left
// alone) and the fingerprint form hashed to recognise a repeated request (the same, but with
// every "/" escaped and every number in one canonical spelling).
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

// The value of `text` when the text is exactly one JSON value with nothing but JSON white space
// (space, tab, CR, LF) around it; nothing otherwise. The library's parser takes a NUL byte for
// the end of its input, which would let anything after one pass unseen; a NUL byte can never
// be part of valid JSON text, so any NUL makes the text invalid.
std::optional<Json> parseJson(std::string_view text);

// False when any number anywhere in the value is NaN or infinite.
bool isFiniteJson(const Json& value);

// True when the value can travel as JSON text: every number finite, every string and key valid
// UTF-8, and no binary or discarded values anywhere.
bool isSerialisable(const Json& value);

// Compact text with sorted keys and "/" unescaped, or nothing when the value is not an object or
// is not serialisable. Long strings are copied in runs, so multi-megabyte Base64 fields are cheap.
std::optional<std::string> wireText(const Json& value);

// Compact text with sorted keys, every "/" escaped as "\/" and every whole number that a 64-bit
// integer can hold written as that integer, so that equal values read alike however the request
// spelled them (3.0 as 3, -0.0 as 0). Never fails: a non-finite number
// is written as null and bytes that are not valid UTF-8 are copied as they are, which keeps the
// text a faithful, deterministic image of the value.
std::string fingerprintText(const Json& value);

// The fingerprint text of `value` as if its top-level key `key` were absent, without copying it.
std::string fingerprintTextWithout(const Json& value, std::string_view key);

} // namespace orvel
