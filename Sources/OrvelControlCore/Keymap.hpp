// The vocabulary of the key-press action: key names to the program's virtual key codes (the
// macOS codes of the US keyboard positions, which every backend translates), modifier names to
// event flags, and the rule that decides which combinations may be sent to a window at all.
// Only combinations whose effect stays inside the chosen window are sent: letters, digits,
// navigation and editing keys, and the desktop's short lists of primary-modifier and
// secondary-modifier combinations. Combinations the desktop interprets before the application
// sees them (its system modifiers, the function keys), primary+secondary combinations, every
// other primary shortcut and primary+V (the program never pastes the clipboard) are refused
// with a message asking the user to take over. Which modifiers play which part, and the lists,
// are the desktop's `KeyPolicy`.
//
// Names are matched after full Unicode lower-casing, exactly, without trimming.
// Pure: the tables are built once on first use (thread-safe) and never change afterwards; every
// function may be called from any thread.
#pragma once

#include "OrvelControlCore/KeyPolicy.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace orvel::Keymap {

// Event flags of the modifiers (CGEventFlags bits).
inline constexpr std::uint64_t maskShift = 0x20000;
inline constexpr std::uint64_t maskControl = 0x40000;
inline constexpr std::uint64_t maskAlternate = 0x80000;
inline constexpr std::uint64_t maskCommand = 0x100000;
inline constexpr std::uint64_t maskSecondaryFn = 0x800000;

// Most modifier names one stroke may carry.
inline constexpr std::size_t modifierLimit = 4;
// Longest unknown name shown whole in a message, in characters.
inline constexpr int shownNameLimit = 20;

// Why a combination is refused.
enum class Scope { notWindowScoped, systemModifier, functionKey, clipboard };

// "not_window_scoped", "system_modifier", "function_key", "clipboard".
std::string_view rawValue(Scope scope);
// The scope with that raw value, if any.
std::optional<Scope> scopeFromRawValue(std::string_view raw);

struct Denial {
    Scope scope;
    std::string message;
    bool operator==(const Denial&) const = default;
};

struct Stroke {
    std::uint16_t code = 0;
    std::uint64_t flags = 0;
    bool operator==(const Stroke&) const = default;
};

using StringSet = std::unordered_set<std::string>;

// Key name (lower case) to virtual key code; 63 entries.
const std::unordered_map<std::string, std::uint16_t>& keys();
// Keys sent without modifiers (besides Shift) on every desktop.
const StringSet& navigationKeys();
const StringSet& editingKeys();

// The virtual key code of a key name; throws the invalid_request Failure for an unknown name.
std::uint16_t code(std::string_view key);

// The union of the modifiers' flags under `policy`; throws the invalid_request Failure for more
// than four names (before any is looked up) or for the first unknown name.
std::uint64_t flags(const std::vector<std::string>& names, const KeyPolicy& policy);

// True when `text` is one character whose first scalar is a letter, mark or number.
bool isCharacter(std::string_view text);

// Why the combination of `key` and the `held` modifier flags may not be sent, or nothing when it
// may. The key need not be known.
std::optional<Denial> scopeDenial(std::string_view key, std::uint64_t held,
                                  const KeyPolicy& policy);

// The code and flags to send; throws the Failure of an unknown key, of the modifiers, or the
// denied_action Failure (details {"scope": raw value}) of a refused combination, in that order.
Stroke stroke(std::string_view key, const std::vector<std::string>& modifierNames,
              const KeyPolicy& policy);

} // namespace orvel::Keymap
