// One JSON value of a scenario together with its place in the document ("apps[1].pid"), and
// the typed reads the scenario parser makes of it. A read of the wrong type throws a
// `ScenarioError` whose text names the place and what was expected, so every refusal of a
// scenario says what is wrong and where. Pure; the node refers into a document that must
// outlive it.
#pragma once

#include "OrvelControlCore/Json.hpp"

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvel::sim {

class ScenarioError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class ScenarioNode {
  public:
    ScenarioNode(const Json& value, std::string path) : value_(&value), path_(std::move(path)) {}

    const Json& json() const { return *value_; }
    const std::string& path() const { return path_; }
    bool isNull() const { return value_->is_null(); }

    // Throws "<place> <problem>".
    [[noreturn]] void fail(std::string_view problem) const;

    // An object whose keys are all among `known`.
    void expectObjectWith(std::initializer_list<std::string_view> known) const;
    // The value under `key` of an object; absent when the key is not there.
    std::optional<ScenarioNode> field(std::string_view key) const;
    // The entries of an array, or of an object as (key, value) pairs.
    std::vector<ScenarioNode> items() const;
    std::vector<std::pair<std::string, ScenarioNode>> entries() const;

    std::string string() const;
    // Text as an application hands it over: a string, or {"bytes": "<hex>"} for raw bytes that
    // need not be valid UTF-8.
    std::string text() const;
    bool boolean() const;
    double number() const; // any finite number
    double nonNegativeNumber() const;
    std::int64_t integer(std::int64_t min, std::int64_t max) const;

  private:
    std::string childPath(std::string_view key) const;

    const Json* value_;
    std::string path_;
};

} // namespace orvel::sim
