#include "OrvelControlCore/Keymap.hpp"

#include "OrvelControlCore/Failure.hpp"
#include "OrvelControlCore/Json.hpp"
#include "OrvelControlCore/Payload.hpp"
#include "OrvelControlCore/Text.hpp"

#include <algorithm>
#include <array>
#include <utility>

namespace orvel::Keymap {
namespace {

constexpr std::string_view clipboardMessage =
    "Orvel Rire limer ikke inn utklippstavlen. Skriv teksten som skal settes inn i stedet.";
constexpr std::string_view generalMessage =
    "Denne tastekombinasjonen er ikke en av dem Orvel Rire kan love holder seg i det valgte "
    "vinduet. Ta over tastaturet selv hvis du trenger den.";

constexpr std::array<std::pair<Scope, std::string_view>, 4> scopeNames = {{
    {Scope::notWindowScoped, "not_window_scoped"},
    {Scope::systemModifier, "system_modifier"},
    {Scope::functionKey, "function_key"},
    {Scope::clipboard, "clipboard"},
}};

Failure invalidRequest(std::string message) {
    return Failure("invalid_request", std::move(message));
}

Failure unknownName(std::string_view prefix, std::string_view name) {
    return invalidRequest(std::string(prefix) + truncated(name, shownNameLimit) + ".");
}

// An optional sign followed by at least one decimal digit, nothing else.
bool isDecimalInteger(std::string_view text) {
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        text.remove_prefix(1);
    }
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "f" followed by an integer: "f1", "f13", "f-2"; not "f" and not "forwarddelete".
bool isFunctionKey(std::string_view lowerKey) {
    return text::characterCount(lowerKey) > 1 && lowerKey.front() == 'f' &&
           isDecimalInteger(lowerKey.substr(1));
}

Denial denial(Scope scope, std::string_view message) {
    return {scope, std::string(message)};
}

std::optional<Denial> primaryDenial(const std::string& lowerKey, std::uint64_t held,
                                    const KeyPolicy& policy) {
    if ((held & policy.secondary) != 0) {
        return denial(Scope::notWindowScoped, generalMessage);
    }
    if (lowerKey == "v") {
        return denial(Scope::clipboard, clipboardMessage);
    }
    if (policy.primaryKeys.contains(lowerKey)) {
        return std::nullopt;
    }
    return denial(Scope::notWindowScoped, generalMessage);
}

std::optional<Denial> plainDenial(const std::string& lowerKey) {
    if (navigationKeys().contains(lowerKey) || editingKeys().contains(lowerKey) ||
        isCharacter(lowerKey)) {
        return std::nullopt;
    }
    return denial(Scope::notWindowScoped, generalMessage);
}

} // namespace

std::string_view rawValue(Scope scope) {
    const auto* found = std::find_if(scopeNames.begin(), scopeNames.end(),
                                     [scope](const auto& entry) { return entry.first == scope; });
    return found->second;
}

std::optional<Scope> scopeFromRawValue(std::string_view raw) {
    const auto* found = std::find_if(scopeNames.begin(), scopeNames.end(),
                                     [raw](const auto& entry) { return entry.second == raw; });
    if (found == scopeNames.end()) {
        return std::nullopt;
    }
    return found->first;
}

const std::unordered_map<std::string, std::uint16_t>& keys() {
    static const std::unordered_map<std::string, std::uint16_t> table = {
        {"return", 36},
        {"enter", 36},
        {"tab", 48},
        {"space", 49},
        {"delete", 51},
        {"escape", 53},
        {"forwarddelete", 117},
        {"home", 115},
        {"end", 119},
        {"pageup", 116},
        {"pagedown", 121},
        {"left", 123},
        {"right", 124},
        {"down", 125},
        {"up", 126},
        {"f1", 122},
        {"f2", 120},
        {"f3", 99},
        {"f4", 118},
        {"f5", 96},
        {"f6", 97},
        {"f7", 98},
        {"f8", 100},
        {"f9", 101},
        {"f10", 109},
        {"f11", 103},
        {"f12", 111},
        {"a", 0},
        {"b", 11},
        {"c", 8},
        {"d", 2},
        {"e", 14},
        {"f", 3},
        {"g", 5},
        {"h", 4},
        {"i", 34},
        {"j", 38},
        {"k", 40},
        {"l", 37},
        {"m", 46},
        {"n", 45},
        {"o", 31},
        {"p", 35},
        {"q", 12},
        {"r", 15},
        {"s", 1},
        {"t", 17},
        {"u", 32},
        {"v", 9},
        {"w", 13},
        {"x", 7},
        {"y", 16},
        {"z", 6},
        {"0", 29},
        {"1", 18},
        {"2", 19},
        {"3", 20},
        {"4", 21},
        {"5", 23},
        {"6", 22},
        {"7", 26},
        {"8", 28},
        {"9", 25},
    };
    return table;
}

const StringSet& navigationKeys() {
    static const StringSet set = {"left", "right",  "up",       "down", "home",
                                  "end",  "pageup", "pagedown", "tab",  "escape"};
    return set;
}

const StringSet& editingKeys() {
    static const StringSet set = {"return", "enter", "delete", "forwarddelete", "space"};
    return set;
}

std::uint16_t code(std::string_view key) {
    const auto found = keys().find(text::lowercased(key));
    if (found == keys().end()) {
        throw unknownName("Ukjent tast: ", key);
    }
    return found->second;
}

std::uint64_t flags(const std::vector<std::string>& names, const KeyPolicy& policy) {
    if (names.size() > modifierLimit) {
        throw invalidRequest("For mange modifikatorer.");
    }
    std::uint64_t result = 0;
    for (const std::string& name : names) {
        const auto found = policy.modifiers.find(text::lowercased(name));
        if (found == policy.modifiers.end()) {
            throw unknownName("Ukjent modifikator: ", name);
        }
        result |= found->second;
    }
    return result;
}

bool isCharacter(std::string_view text) {
    if (text::characterCount(text) != 1) {
        return false;
    }
    const auto scalar = text::firstScalar(text);
    return scalar && text::isAlphanumeric(*scalar);
}

std::optional<Denial> scopeDenial(std::string_view key, std::uint64_t held,
                                  const KeyPolicy& policy) {
    const std::string lowerKey = text::lowercased(key);
    if (isFunctionKey(lowerKey)) {
        return denial(Scope::functionKey, policy.functionKeyMessage);
    }
    if ((held & policy.systemModifiers) != 0) {
        return denial(Scope::systemModifier, policy.systemModifierMessage);
    }
    if ((held & policy.primary) != 0) {
        return primaryDenial(lowerKey, held, policy);
    }
    if ((held & policy.secondary) != 0) {
        if (policy.secondaryKeys.contains(lowerKey)) {
            return std::nullopt;
        }
        return denial(Scope::notWindowScoped, generalMessage);
    }
    return plainDenial(lowerKey);
}

Stroke stroke(std::string_view key, const std::vector<std::string>& modifierNames,
              const KeyPolicy& policy) {
    const std::uint16_t keyCode = code(key);
    const std::uint64_t keyFlags = flags(modifierNames, policy);
    if (auto refused = scopeDenial(key, keyFlags, policy)) {
        throw Failure("denied_action", std::move(refused->message),
                      Json{{"scope", std::string(rawValue(refused->scope))}});
    }
    return {keyCode, keyFlags};
}

} // namespace orvel::Keymap

namespace orvel {

const KeyPolicy& KeyPolicy::macOS() {
    using namespace Keymap;
    static const KeyPolicy policy{
        .modifiers = {{"cmd", maskCommand},
                      {"command", maskCommand},
                      {"meta", maskCommand},
                      {"shift", maskShift},
                      {"alt", maskAlternate},
                      {"option", maskAlternate},
                      {"ctrl", maskControl},
                      {"control", maskControl},
                      {"fn", maskSecondaryFn},
                      {"function", maskSecondaryFn}},
        .systemModifiers = maskControl | maskSecondaryFn,
        .primary = maskCommand,
        .primaryKeys = {"a", "c", "x", "z", "s", "f", "g", "left", "right", "up", "down", "home",
                        "end", "delete", "forwarddelete"},
        .secondary = maskAlternate,
        .secondaryKeys = {"left", "right", "up", "down", "delete", "forwarddelete"},
        .functionKeyMessage = "Funksjonstastene tolkes av macOS før appen ser dem. Orvel Rire "
                              "sender dem ikke; ta over selv hvis du trenger dem.",
        .systemModifierMessage = "Ctrl- og Fn-kombinasjoner er der macOS har sine egne "
                                 "snarveier. Orvel Rire sender dem ikke; ta over selv hvis du "
                                 "trenger dem.",
    };
    return policy;
}

} // namespace orvel
