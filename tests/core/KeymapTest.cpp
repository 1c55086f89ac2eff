// Key names and codes, modifier flags, the messages for unknown names, and the rule deciding
// which combinations may be sent, checked key by key against the allowed-keys matrix.
#include "OrvelControlCore/Keymap.hpp"
#include "platform/profiles/LinuxProfile.hpp"
#include "support/FailureOf.hpp"

#include "OrvelControlCore/Failure.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orvel {
namespace {

using orvel::testing::failureOf;

using Keymap::Scope;

const KeyPolicy& mac = KeyPolicy::macOS();

Failure invalid(const std::string& message) {
    return Failure("invalid_request", message);
}

std::optional<Scope> scopeOf(const std::string& key, std::uint64_t flags) {
    const auto denial = Keymap::scopeDenial(key, flags, mac);
    return denial ? std::optional<Scope>(denial->scope) : std::nullopt;
}

const std::string generalMessage =
    "Denne tastekombinasjonen er ikke en av dem Orvel Rire kan love holder seg i det valgte "
    "vinduet. Ta over tastaturet selv hvis du trenger den.";

TEST(Keymap, KeyNamesAreMatchedAfterFullLowerCasingWithoutTrimming) {
    EXPECT_EQ(Keymap::keys().size(), 63U);
    EXPECT_EQ(Keymap::code("return"), 36);
    EXPECT_EQ(Keymap::code("Return"), 36);
    EXPECT_EQ(Keymap::code("RETURN"), 36);
    EXPECT_EQ(Keymap::code("enter"), 36);
    EXPECT_EQ(Keymap::code("ForwardDelete"), 117);
    // The Kelvin sign lower-cases to "k".
    EXPECT_EQ(Keymap::code("\u212A"), 40);
    // Capital I with dot above lower-cases to "i" and a combining dot, which is no key.
    EXPECT_EQ(failureOf([] { Keymap::code("\u0130"); }), invalid("Ukjent tast: \u0130."));
    EXPECT_EQ(failureOf([] { Keymap::code(" return"); }), invalid("Ukjent tast:  return."));
    EXPECT_EQ(failureOf([] { Keymap::code(""); }), invalid("Ukjent tast: ."));
}

TEST(Keymap, CodesFollowTheUsKeyboardPositions) {
    const std::vector<std::pair<std::string, int>> codes = {
        {"a", 0},       {"s", 1},        {"z", 6},       {"c", 8},          {"v", 9},
        {"q", 12},      {"1", 18},       {"4", 21},      {"5", 23},         {"6", 22},
        {"7", 26},      {"8", 28},       {"9", 25},      {"0", 29},         {"tab", 48},
        {"space", 49},  {"delete", 51},  {"escape", 53}, {"f1", 122},       {"f2", 120},
        {"f3", 99},     {"f4", 118},     {"f10", 109},   {"f11", 103},      {"f12", 111},
        {"home", 115},  {"pageup", 116}, {"end", 119},   {"pagedown", 121}, {"left", 123},
        {"right", 124}, {"down", 125},   {"up", 126}};
    for (const auto& [name, code] : codes) {
        EXPECT_EQ(Keymap::code(name), code) << name;
    }
}

TEST(Keymap, UnknownNamesAreShownAsWrittenAndCutAfterTwentyCharacters) {
    EXPECT_EQ(failureOf([] { Keymap::code("F13"); }), invalid("Ukjent tast: F13."));
    EXPECT_EQ(failureOf([] { Keymap::code("abcdefghijKLMNOPQRSTuvwxy"); }),
              invalid("Ukjent tast: abcdefghijKLMNOPQRST\u2026."));
    EXPECT_EQ(failureOf([] { Keymap::code("abcdefghijklmnopqrst"); }),
              invalid("Ukjent tast: abcdefghijklmnopqrst."));
    // Characters are grapheme clusters: a family emoji of seven scalars counts once.
    const std::string family = "\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466";
    std::string twentyOne;
    for (int i = 0; i < 21; ++i) {
        twentyOne += family;
    }
    const std::string twenty = twentyOne.substr(0, twentyOne.size() - family.size());
    EXPECT_EQ(failureOf([&] { Keymap::code(twentyOne); }),
              invalid("Ukjent tast: " + twenty + "\u2026."));
    EXPECT_EQ(failureOf([] { Keymap::flags({"Hyper"}, mac); }),
              invalid("Ukjent modifikator: Hyper."));
    EXPECT_EQ(failureOf([] { Keymap::flags({"superduperhypermodifier"}, mac); }),
              invalid("Ukjent modifikator: superduperhypermodif\u2026."));
}

TEST(Keymap, ModifiersCombineUpToFourNames) {
    EXPECT_EQ(mac.modifiers.size(), 10U);
    EXPECT_EQ(Keymap::flags({}, mac), 0U);
    EXPECT_EQ(Keymap::flags({"CMD"}, mac), 0x100000U);
    EXPECT_EQ(Keymap::flags({"cmd", "command", "meta"}, mac), 0x100000U);
    EXPECT_EQ(Keymap::flags({"Option"}, mac), 0x80000U);
    EXPECT_EQ(Keymap::flags({"shift", "alt", "control", "function"}, mac), 0x8E0000U);
    EXPECT_EQ(Keymap::flags({"ctrl", "fn"}, mac), 0x840000U);

    const Failure tooMany = invalid("For mange modifikatorer.");
    EXPECT_EQ(failureOf([] {
                  Keymap::flags({"shift", "shift", "shift", "shift", "shift"}, mac);
              }),
              tooMany);
    // The count is checked before any name is looked up.
    EXPECT_EQ(failureOf([] {
                  Keymap::flags({"nope", "shift", "shift", "shift", "shift"}, mac);
              }),
              tooMany);
    // The first unknown name is reported; later ones are not examined.
    EXPECT_EQ(failureOf([] {
                  Keymap::flags({"shift", "First", "Second"}, mac);
              }),
              invalid("Ukjent modifikator: First."));
}

TEST(Keymap, FunctionKeysAreRefusedWhateverIsHeld) {
    const std::string message =
        "Funksjonstastene tolkes av macOS før appen ser dem. Orvel Rire sender dem ikke; ta over "
        "selv hvis du trenger dem.";
    EXPECT_EQ(Keymap::scopeDenial("f5", 0, mac), (Keymap::Denial{Scope::functionKey, message}));
    EXPECT_EQ(scopeOf("F5", 0), Scope::functionKey);
    EXPECT_EQ(scopeOf("f5", Keymap::maskControl), Scope::functionKey);
    EXPECT_EQ(scopeOf("f12", Keymap::maskCommand), Scope::functionKey);
    // Any "f" and integer is a function key, known or not, with or without a sign.
    EXPECT_EQ(scopeOf("f13", 0), Scope::functionKey);
    EXPECT_EQ(scopeOf("f-1", 0), Scope::functionKey);
    EXPECT_EQ(scopeOf("f+07", 0), Scope::functionKey);
    EXPECT_EQ(scopeOf("f+", 0), Scope::notWindowScoped);
    EXPECT_EQ(scopeOf("f1x", 0), Scope::notWindowScoped);
    EXPECT_EQ(scopeOf("f", Keymap::maskCommand), std::nullopt);
    EXPECT_EQ(scopeOf("forwarddelete", 0), std::nullopt);
    // An unknown function key fails on its name first.
    EXPECT_EQ(failureOf([] { Keymap::stroke("f13", {}, mac); }), invalid("Ukjent tast: f13."));
}

TEST(Keymap, ControlAndFnAreRefusedBeforeCommandIsConsidered) {
    const std::string message =
        "Ctrl- og Fn-kombinasjoner er der macOS har sine egne snarveier. Orvel Rire sender dem "
        "ikke; ta over selv hvis du trenger dem.";
    EXPECT_EQ(Keymap::scopeDenial("c", Keymap::maskControl, mac),
              (Keymap::Denial{Scope::systemModifier, message}));
    EXPECT_EQ(scopeOf("left", Keymap::maskSecondaryFn), Scope::systemModifier);
    EXPECT_EQ(scopeOf("v", Keymap::maskControl | Keymap::maskCommand), Scope::systemModifier);
    EXPECT_EQ(scopeOf("!", Keymap::maskSecondaryFn | Keymap::maskAlternate), Scope::systemModifier);
}

TEST(Keymap, CommandAllowsItsShortListAndNeverPastes) {
    const std::string clipboard =
        "Orvel Rire limer ikke inn utklippstavlen. Skriv teksten som skal settes inn i stedet.";
    EXPECT_EQ(Keymap::scopeDenial("v", Keymap::maskCommand, mac),
              (Keymap::Denial{Scope::clipboard, clipboard}));
    EXPECT_EQ(scopeOf("V", Keymap::maskCommand | Keymap::maskShift), Scope::clipboard);
    EXPECT_EQ(Keymap::scopeDenial("v", Keymap::maskCommand | Keymap::maskAlternate, mac),
              (Keymap::Denial{Scope::notWindowScoped, generalMessage}));
    EXPECT_EQ(scopeOf("c", Keymap::maskCommand | Keymap::maskAlternate), Scope::notWindowScoped);
    EXPECT_EQ(scopeOf("q", Keymap::maskCommand), Scope::notWindowScoped);
    EXPECT_EQ(scopeOf("c", Keymap::maskCommand), std::nullopt);
    EXPECT_EQ(scopeOf("Z", Keymap::maskCommand | Keymap::maskShift), std::nullopt);
}

// The allowed keys of each row of modifiers, written out rather than derived from the sets.
std::optional<Scope> expectedScope(const std::string& key, const std::string& row) {
    const bool functionKey = key.size() > 1 && key[0] == 'f' && key[1] >= '0' && key[1] <= '9';
    const auto among = [&](std::initializer_list<const char*> keys) {
        for (const char* candidate : keys) {
            if (key == candidate) {
                return true;
            }
        }
        return false;
    };
    const bool arrowOrDelete = among({"left", "right", "up", "down", "delete", "forwarddelete"});
    if (functionKey) {
        return Scope::functionKey;
    }
    if (row == "ctrl" || row == "fn" || row == "cmd+ctrl") {
        return Scope::systemModifier;
    }
    if (row == "cmd+alt") {
        return Scope::notWindowScoped;
    }
    if (row == "cmd" || row == "cmd+shift") {
        if (key == "v") {
            return Scope::clipboard;
        }
        const bool allowed =
            arrowOrDelete || among({"a", "c", "x", "z", "s", "f", "g", "home", "end"});
        return allowed ? std::nullopt : std::optional(Scope::notWindowScoped);
    }
    if (row == "alt" || row == "alt+shift") {
        return arrowOrDelete ? std::nullopt : std::optional(Scope::notWindowScoped);
    }
    const bool letterOrDigit = key.size() == 1 && std::isalnum(static_cast<unsigned char>(key[0]));
    const bool allowed =
        letterOrDigit || arrowOrDelete ||
        among({"home", "end", "pageup", "pagedown", "tab", "escape", "return", "enter", "space"});
    return allowed ? std::nullopt : std::optional(Scope::notWindowScoped);
}

TEST(Keymap, EveryKeyFollowsTheMatrixOfAllowedCombinations) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> rows = {
        {"none", {}},
        {"shift", {"shift"}},
        {"cmd", {"cmd"}},
        {"cmd+shift", {"command", "shift"}},
        {"alt", {"alt"}},
        {"alt+shift", {"option", "shift"}},
        {"cmd+alt", {"cmd", "alt"}},
        {"ctrl", {"ctrl"}},
        {"fn", {"fn"}},
        {"cmd+ctrl", {"meta", "control"}},
    };
    int allowed = 0;
    for (const auto& [key, code] : Keymap::keys()) {
        for (const auto& [row, names] : rows) {
            const auto expected = expectedScope(key, row);
            EXPECT_EQ(scopeOf(key, Keymap::flags(names, mac)), expected) << key << " with " << row;
            if (expected) {
                const auto failure = failureOf([&] { Keymap::stroke(key, names, mac); });
                ASSERT_TRUE(failure) << key << " with " << row;
                EXPECT_EQ(failure->code, "denied_action");
                EXPECT_EQ(failure->details,
                          (Json{{"scope", std::string(Keymap::rawValue(*expected))}}));
            } else {
                EXPECT_EQ(Keymap::stroke(key, names, mac),
                          (Keymap::Stroke{code, Keymap::flags(names, mac)}));
                ++allowed;
            }
        }
    }
    // 51 keys alone and with Shift, 15 with Command (and Shift), 6 with Option (and Shift).
    EXPECT_EQ(allowed, 2 * 51 + 2 * 15 + 2 * 6);
}

TEST(Keymap, OnlyOneAlphanumericCharacterIsSentWithoutModifiers) {
    EXPECT_TRUE(Keymap::isCharacter("a"));
    EXPECT_TRUE(Keymap::isCharacter("7"));
    EXPECT_TRUE(Keymap::isCharacter("\u00E9"));
    EXPECT_TRUE(Keymap::isCharacter("e\u0301"));
    EXPECT_TRUE(Keymap::isCharacter("\u0663"));
    EXPECT_FALSE(Keymap::isCharacter(""));
    EXPECT_FALSE(Keymap::isCharacter("ab"));
    EXPECT_FALSE(Keymap::isCharacter("!"));
    EXPECT_FALSE(Keymap::isCharacter(" "));
    EXPECT_FALSE(Keymap::isCharacter("\U0001F600"));
    EXPECT_FALSE(Keymap::isCharacter("\xFF"));

    EXPECT_EQ(scopeOf("\u00E9", 0), std::nullopt);
    EXPECT_EQ(scopeOf("\u00C9", Keymap::maskShift), std::nullopt);
    EXPECT_EQ(Keymap::scopeDenial("!", 0, mac),
              (Keymap::Denial{Scope::notWindowScoped, generalMessage}));
    EXPECT_EQ(scopeOf("ab", 0), Scope::notWindowScoped);
    EXPECT_EQ(scopeOf("Escape", 0), std::nullopt);
    EXPECT_EQ(scopeOf("tab", Keymap::maskShift), std::nullopt);
    EXPECT_EQ(scopeOf("space", Keymap::maskShift), std::nullopt);
    EXPECT_EQ(scopeOf("a", Keymap::maskAlternate), Scope::notWindowScoped);
    EXPECT_EQ(scopeOf("left", Keymap::maskAlternate), std::nullopt);
}

TEST(Keymap, StrokeChecksTheKeyThenTheModifiersThenTheScope) {
    EXPECT_EQ(Keymap::stroke("C", {"Cmd"}, mac), (Keymap::Stroke{8, 0x100000}));
    EXPECT_EQ(Keymap::stroke("z", {"cmd", "shift"}, mac), (Keymap::Stroke{6, 0x120000}));
    EXPECT_EQ(Keymap::stroke("Tab", {"shift"}, mac), (Keymap::Stroke{48, 0x20000}));
    EXPECT_EQ(Keymap::stroke("return", {}, mac), (Keymap::Stroke{36, 0}));

    EXPECT_EQ(failureOf([] {
                  Keymap::stroke("nokey", {"a", "b", "c", "d", "e"}, mac);
              }),
              invalid("Ukjent tast: nokey."));
    EXPECT_EQ(failureOf([] {
                  Keymap::stroke("f5", {"a", "b", "c", "d", "e"}, mac);
              }),
              invalid("For mange modifikatorer."));
    EXPECT_EQ(failureOf([] { Keymap::stroke("v", {"Super"}, mac); }),
              invalid("Ukjent modifikator: Super."));
    EXPECT_EQ(failureOf([] { Keymap::stroke("V", {"cmd"}, mac); }),
              Failure("denied_action",
                      "Orvel Rire limer ikke inn utklippstavlen. Skriv teksten som skal settes inn "
                      "i stedet.",
                      Json{{"scope", "clipboard"}}));
    EXPECT_EQ(failureOf([] { Keymap::stroke("q", {"cmd"}, mac); }),
              Failure("denied_action", generalMessage, Json{{"scope", "not_window_scoped"}}));
}

TEST(Keymap, ScopesRoundTripThroughTheirRawValues) {
    for (const Scope scope :
         {Scope::notWindowScoped, Scope::systemModifier, Scope::functionKey, Scope::clipboard}) {
        EXPECT_EQ(Keymap::scopeFromRawValue(Keymap::rawValue(scope)), scope);
    }
    EXPECT_EQ(Keymap::rawValue(Scope::notWindowScoped), "not_window_scoped");
    EXPECT_EQ(Keymap::rawValue(Scope::systemModifier), "system_modifier");
    EXPECT_EQ(Keymap::rawValue(Scope::functionKey), "function_key");
    EXPECT_EQ(Keymap::rawValue(Scope::clipboard), "clipboard");
    EXPECT_EQ(Keymap::scopeFromRawValue("Clipboard"), std::nullopt);
    EXPECT_EQ(Keymap::scopeFromRawValue(""), std::nullopt);
}

// On Linux "cmd" and "ctrl" both mean Control, which plays Command's part; Super and Fn belong to
// the desktop, Control+Alt combinations are refused, and the lists are the Linux ones.
std::optional<Scope> expectedLinuxScope(const std::string& key, const std::string& row) {
    const bool functionKey = key.size() > 1 && key[0] == 'f' && key[1] >= '0' && key[1] <= '9';
    const auto among = [&](std::initializer_list<const char*> keys) {
        for (const char* candidate : keys) {
            if (key == candidate) {
                return true;
            }
        }
        return false;
    };
    const bool arrowOrDelete = among({"left", "right", "up", "down", "delete", "forwarddelete"});
    if (functionKey) {
        return Scope::functionKey;
    }
    if (row == "super" || row == "fn" || row == "ctrl+super") {
        return Scope::systemModifier;
    }
    if (row == "ctrl+alt") {
        return Scope::notWindowScoped;
    }
    if (row == "cmd" || row == "ctrl" || row == "ctrl+shift") {
        if (key == "v") {
            return Scope::clipboard;
        }
        const bool allowed =
            arrowOrDelete || among({"a", "c", "x", "z", "y", "s", "f", "g", "home", "end"});
        return allowed ? std::nullopt : std::optional(Scope::notWindowScoped);
    }
    if (row == "alt" || row == "alt+shift") {
        return arrowOrDelete ? std::nullopt : std::optional(Scope::notWindowScoped);
    }
    const bool letterOrDigit = key.size() == 1 && std::isalnum(static_cast<unsigned char>(key[0]));
    const bool allowed =
        letterOrDigit || arrowOrDelete ||
        among({"home", "end", "pageup", "pagedown", "tab", "escape", "return", "enter", "space"});
    return allowed ? std::nullopt : std::optional(Scope::notWindowScoped);
}

TEST(Keymap, TheLinuxPolicyFollowsItsOwnMatrix) {
    const auto profile = platform::linuxProfile(platform::LockSource::sessionAndScreensaver);
    const KeyPolicy& linux = profile.keys;
    const std::vector<std::pair<std::string, std::vector<std::string>>> rows = {
        {"none", {}},
        {"shift", {"shift"}},
        {"cmd", {"cmd"}},
        {"ctrl", {"control"}},
        {"ctrl+shift", {"meta", "shift"}},
        {"alt", {"alt"}},
        {"alt+shift", {"option", "shift"}},
        {"ctrl+alt", {"ctrl", "alt"}},
        {"super", {"super"}},
        {"fn", {"function"}},
        {"ctrl+super", {"command", "Super"}},
    };
    int allowed = 0;
    for (const auto& [key, code] : Keymap::keys()) {
        for (const auto& [row, names] : rows) {
            const auto expected = expectedLinuxScope(key, row);
            const auto denial = Keymap::scopeDenial(key, Keymap::flags(names, linux), linux);
            EXPECT_EQ(denial ? std::optional(denial->scope) : std::nullopt, expected)
                << key << " with " << row;
            if (!expected) {
                ++allowed;
            }
        }
    }
    // 51 keys alone and with Shift, 16 with Control in three spellings, 6 with Alt (and Shift).
    EXPECT_EQ(allowed, 2 * 51 + 3 * 16 + 2 * 6);

    EXPECT_EQ(Keymap::stroke("c", {"cmd"}, linux), (Keymap::Stroke{8, Keymap::maskControl}));
    EXPECT_EQ(Keymap::stroke("C", {"CTRL"}, linux), (Keymap::Stroke{8, Keymap::maskControl}));
    EXPECT_EQ(failureOf([&] { Keymap::stroke("f5", {}, linux); }),
              Failure("denied_action",
                      "Funksjonstastene kan bli tolket av skrivebordet før appen ser dem. Orvel "
                      "Rire sender dem ikke; ta over selv hvis du trenger dem.",
                      Json{{"scope", "function_key"}}));
    EXPECT_EQ(failureOf([&] { Keymap::stroke("l", {"super"}, linux); }),
              Failure("denied_action",
                      "Super- og Fn-kombinasjoner er der skrivebordet har sine egne snarveier. "
                      "Orvel Rire sender dem ikke; ta over selv hvis du trenger dem.",
                      Json{{"scope", "system_modifier"}}));
    EXPECT_EQ(failureOf([&] { Keymap::flags({"super"}, mac); }),
              invalid("Ukjent modifikator: super."))
        << "the macOS names stay exactly as they were";
}

} // namespace
} // namespace orvel
