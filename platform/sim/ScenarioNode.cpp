#include "platform/sim/ScenarioNode.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace orvel::sim {

void ScenarioNode::fail(std::string_view problem) const {
    const std::string place = path_.empty() ? "the scenario" : path_;
    throw ScenarioError(place + " " + std::string(problem));
}

void ScenarioNode::expectObjectWith(std::initializer_list<std::string_view> known) const {
    if (!value_->is_object()) {
        fail("must be an object");
    }
    for (const auto& [key, value] : value_->items()) {
        if (std::find(known.begin(), known.end(), key) == known.end()) {
            ScenarioNode(value, childPath(key)).fail("is not a known key");
        }
    }
}

std::optional<ScenarioNode> ScenarioNode::field(std::string_view key) const {
    if (!value_->is_object()) {
        fail("must be an object");
    }
    auto found = value_->find(key);
    if (found == value_->end()) {
        return std::nullopt;
    }
    return ScenarioNode(*found, childPath(key));
}

std::vector<ScenarioNode> ScenarioNode::items() const {
    if (!value_->is_array()) {
        fail("must be an array");
    }
    std::vector<ScenarioNode> result;
    result.reserve(value_->size());
    for (std::size_t index = 0; index < value_->size(); ++index) {
        result.emplace_back((*value_)[index], path_ + "[" + std::to_string(index) + "]");
    }
    return result;
}

std::vector<std::pair<std::string, ScenarioNode>> ScenarioNode::entries() const {
    if (!value_->is_object()) {
        fail("must be an object");
    }
    std::vector<std::pair<std::string, ScenarioNode>> result;
    for (const auto& [key, value] : value_->items()) {
        result.emplace_back(key, ScenarioNode(value, childPath(key)));
    }
    return result;
}

std::string ScenarioNode::string() const {
    if (!value_->is_string()) {
        fail("must be a string");
    }
    return value_->get<std::string>();
}

std::string ScenarioNode::text() const {
    if (value_->is_string()) {
        return value_->get<std::string>();
    }
    if (!value_->is_object()) {
        fail("must be a string or {\"bytes\": \"<hex>\"}");
    }
    expectObjectWith({"bytes"});
    auto hex = field("bytes");
    if (!hex) {
        fail("needs \"bytes\"");
    }
    const std::string digits = hex->string();
    if (digits.size() % 2 != 0) {
        hex->fail("must have an even number of hexadecimal digits");
    }
    std::string bytes;
    for (std::size_t at = 0; at < digits.size(); at += 2) {
        unsigned value = 0;
        const auto* first = digits.data() + at;
        const auto [end, error] = std::from_chars(first, first + 2, value, 16);
        if (error != std::errc() || end != first + 2) {
            hex->fail("must hold only hexadecimal digits");
        }
        bytes += static_cast<char>(value);
    }
    return bytes;
}

bool ScenarioNode::boolean() const {
    if (!value_->is_boolean()) {
        fail("must be true or false");
    }
    return value_->get<bool>();
}

double ScenarioNode::number() const {
    if (!value_->is_number() || !std::isfinite(value_->get<double>())) {
        fail("must be a finite number");
    }
    return value_->get<double>();
}

double ScenarioNode::nonNegativeNumber() const {
    if (!value_->is_number() || !std::isfinite(value_->get<double>()) ||
        value_->get<double>() < 0) {
        fail("must be a number of seconds, 0 or more");
    }
    return value_->get<double>();
}

std::int64_t ScenarioNode::integer(std::int64_t min, std::int64_t max) const {
    const auto problem =
        "must be an integer from " + std::to_string(min) + " to " + std::to_string(max);
    if (value_->is_number_unsigned()) {
        const auto value = value_->get<std::uint64_t>();
        const bool belowMin = min > 0 && value < static_cast<std::uint64_t>(min);
        if (max < 0 || belowMin || value > static_cast<std::uint64_t>(max)) {
            fail(problem);
        }
        return static_cast<std::int64_t>(value);
    }
    if (!value_->is_number_integer()) {
        fail(problem);
    }
    const auto value = value_->get<std::int64_t>();
    if (value < min || value > max) {
        fail(problem);
    }
    return value;
}

std::string ScenarioNode::childPath(std::string_view key) const {
    return path_.empty() ? std::string(key) : path_ + "." + std::string(key);
}

} // namespace orvel::sim
