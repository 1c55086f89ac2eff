// Which key combinations a desktop lets through to the chosen window, as data: the modifier
// names and the flags they stand for, the modifiers the desktop keeps for its own shortcuts,
// the primary shortcut modifier (Command on macOS, Control on Linux) and the secondary one
// (Option / Alt) with the short lists of keys that stay in the window under each, the texts
// that name the desktop, and whether typed text may carry control characters. The one rule that
// reads the combinations is `Keymap::scopeDenial`; every desktop shares it, only the data
// differs.
//
// A value type; the macOS policy is built once on first use and never changes afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace orvel {

struct KeyPolicy {
    using StringSet = std::unordered_set<std::string>;

    // Modifier name (lower case) to the event flag it sets.
    std::unordered_map<std::string, std::uint64_t> modifiers;
    // Flags whose combinations belong to the desktop: refused whatever the key.
    std::uint64_t systemModifiers = 0;
    // The shortcut modifier and the keys it may be sent with.
    std::uint64_t primary = 0;
    StringSet primaryKeys;
    // The second modifier and its keys; together with `primary` nothing is sent.
    std::uint64_t secondary = 0;
    StringSet secondaryKeys;
    // Refusals that name the desktop.
    std::string functionKeyMessage;
    std::string systemModifierMessage;
    // Whether typed text may hold control characters besides tab and line breaks: macOS hands
    // any character to the application as the text of a key event, X11 has no key for them.
    bool typesControlCharacters = true;

    // The macOS rules: Command and Option lists, Control and Fn refused.
    static const KeyPolicy& macOS();
};

} // namespace orvel
