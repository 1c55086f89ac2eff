// Small functions that shape response payloads: shortening texts, bounding requested numbers,
// rectangles as JSON and exact integers from doubles.
// Pure and thread-safe.
#pragma once

#include "OrvelControlCore/Geometry.hpp"
#include "OrvelControlCore/Json.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvel {

// `text` unchanged when it has at most `limit` characters, otherwise its first `limit`
// characters followed by "…". A negative limit counts as 0.
std::string truncated(std::string_view text, int limit);

// The fallback when `value` is absent (not clamped itself), otherwise `value` raised to at least
// `low` and then lowered to at most `high`, so `high` wins when `low` exceeds it.
int clamp(std::optional<int> value, int fallback, int low, int high);

// {"x", "y", "width", "height"} of the rectangle as given (not standardised), each rounded half
// away from zero and written as an integer. A component too large for a 64-bit integer is
// written as its rounded double and a non-finite one as null, so that a hostile frame can never
// make a response unwritable.
Json rectPayload(const Rect& rect);

// 2^53: the largest magnitude up to which every whole number is exact as a double.
inline constexpr std::int64_t largestExactInteger = std::int64_t{1} << 53;

// `value` as an integer when it is finite, whole and at most 2^53 in magnitude.
std::optional<std::int64_t> exactInt(double value);

} // namespace orvel
