#include "OrvelControlCore/Payload.hpp"

#include "OrvelControlCore/Text.hpp"

#include <algorithm>
#include <cmath>

namespace orvel {
namespace {

constexpr std::string_view ellipsis = "\u2026";
// 2^63: the first double past the int64 range; -2^63 itself is in range.
constexpr double int64Bound = 9223372036854775808.0;

Json roundedNumber(double value) {
    if (!std::isfinite(value)) {
        return nullptr;
    }
    const double rounded = std::round(value);
    if (rounded >= -int64Bound && rounded < int64Bound) {
        return static_cast<std::int64_t>(rounded);
    }
    return rounded;
}

} // namespace

std::string truncated(std::string_view text, int limit) {
    const auto count = static_cast<std::size_t>(std::max(limit, 0));
    const std::size_t cut = text::prefixByteLength(text, count);
    if (cut == text.size()) {
        return std::string(text);
    }
    std::string result(text.substr(0, cut));
    result += ellipsis;
    return result;
}

int clamp(std::optional<int> value, int fallback, int low, int high) {
    if (!value) {
        return fallback;
    }
    return std::min(std::max(*value, low), high);
}

Json rectPayload(const Rect& rect) {
    return Json{{"x", roundedNumber(rect.origin.x)},
                {"y", roundedNumber(rect.origin.y)},
                {"width", roundedNumber(rect.size.width)},
                {"height", roundedNumber(rect.size.height)}};
}

std::optional<std::int64_t> exactInt(double value) {
    if (!std::isfinite(value) || std::abs(value) > static_cast<double>(largestExactInteger) ||
        std::trunc(value) != value) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(value);
}

} // namespace orvel
