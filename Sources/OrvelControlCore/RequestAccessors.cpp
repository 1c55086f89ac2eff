#include "OrvelControlCore/RequestAccessors.hpp"

#include "OrvelControlCore/Payload.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orvel {
namespace {

constexpr auto largestExactMagnitude = static_cast<std::uint64_t>(largestExactInteger);

const Json* member(const Json& request, std::string_view key) {
    if (!request.is_object()) {
        return nullptr;
    }
    const auto found = request.find(key);
    return found == request.end() ? nullptr : &*found;
}

// Integers are judged on their exact value: converting an integer past 2^53 to a double first
// could round it onto an acceptable neighbour.
std::optional<std::int64_t> exactIntOf(const Json& value) {
    switch (value.type()) {
    case Json::value_t::number_integer: {
        const auto number = value.get<std::int64_t>();
        const std::uint64_t magnitude = number < 0
                                            ? std::uint64_t{0} - static_cast<std::uint64_t>(number)
                                            : static_cast<std::uint64_t>(number);
        if (magnitude > largestExactMagnitude) {
            return std::nullopt;
        }
        return number;
    }
    case Json::value_t::number_unsigned: {
        const auto number = value.get<std::uint64_t>();
        if (number > largestExactMagnitude) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(number);
    }
    case Json::value_t::number_float:
        return exactInt(value.get<double>());
    default:
        return std::nullopt;
    }
}

template <class Integer>
std::optional<Integer> readIntIn(const Json& request, std::string_view key, std::int64_t low,
                                 std::int64_t high) {
    const auto number = readInt(request, key);
    if (!number || *number < low || *number > high) {
        return std::nullopt;
    }
    return static_cast<Integer>(*number);
}

} // namespace

std::optional<std::string> readString(const Json& request, std::string_view key) {
    const Json* value = member(request, key);
    if (value == nullptr || !value->is_string()) {
        return std::nullopt;
    }
    return value->get<std::string>();
}

std::optional<std::int64_t> readInt(const Json& request, std::string_view key) {
    const Json* value = member(request, key);
    if (value == nullptr) {
        return std::nullopt;
    }
    return exactIntOf(*value);
}

std::optional<double> readDouble(const Json& request, std::string_view key) {
    const Json* value = member(request, key);
    if (value == nullptr || !value->is_number()) {
        return std::nullopt;
    }
    const auto number = value->get<double>();
    if (!std::isfinite(number)) {
        return std::nullopt;
    }
    return number;
}

std::optional<bool> readBool(const Json& request, std::string_view key) {
    const Json* value = member(request, key);
    if (value == nullptr || !value->is_boolean()) {
        return std::nullopt;
    }
    return value->get<bool>();
}

const Json* readObject(const Json& request, std::string_view key) {
    const Json* value = member(request, key);
    return value != nullptr && value->is_object() ? value : nullptr;
}

std::optional<std::vector<std::string>> readStrings(const Json& request, std::string_view key) {
    const Json* value = member(request, key);
    if (value == nullptr || !value->is_array()) {
        return std::nullopt;
    }
    std::vector<std::string> strings;
    strings.reserve(value->size());
    for (const auto& element : *value) {
        if (!element.is_string()) {
            return std::nullopt;
        }
        strings.push_back(element.get<std::string>());
    }
    return strings;
}

std::optional<std::int32_t> readPid(const Json& request, std::string_view key) {
    return readIntIn<std::int32_t>(request, key, 1, std::numeric_limits<std::int32_t>::max());
}

std::optional<std::uint32_t> readWindowId(const Json& request, std::string_view key) {
    return readIntIn<std::uint32_t>(request, key, 1, std::numeric_limits<std::uint32_t>::max());
}

} // namespace orvel

namespace orvel {

int readClampedInt(const Json& request, std::string_view key, int fallback, int low, int high) {
    auto value = readInt(request, key);
    if (!value) {
        return clamp(std::nullopt, fallback, low, high);
    }
    // Saturating first keeps a huge request value on its own side of the bounds.
    auto saturated = std::clamp<std::int64_t>(*value, std::numeric_limits<int>::min(),
                                              std::numeric_limits<int>::max());
    return clamp(static_cast<int>(saturated), fallback, low, high);
}

} // namespace orvel
