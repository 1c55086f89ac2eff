// Key names and codes, modifier flags, the messages for unknown names, and the rule deciding
// which combinations may be sent, checked key by key against the allowed-keys matrix.
#include "OrvelControlCore/Keymap.hpp"
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

Failure invalid(const std::string& message) {
    return Failure("invalid_request", message);
}

std::optional<Scope> scopeOf(const std::string& key, std::uint64_t flags) {
    const auto denial = Keymap::scopeDenial(key, flags);
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
    EXPECT_EQ(failureOf([] { Keymap::flags({"Hyper"}); }), invalid("Ukjent modifikator: Hyper."));
    EXPECT_EQ(failureOf([] { Keymap::flags({"superduperhypermodifier"}); }),
              invalid("Ukjent modifikator: superduperhypermodif\u2026."));
}

TEST(Keymap, ModifiersCombineUpToFourNames) {
    EXPECT_EQ(Keymap::modifiers().size(), 10U);
    EXPECT_EQ(Keymap::flags({}), 0U);
    EXPECT_EQ(Keymap::flags({"CMD"}), 0x100000U);
    EXPECT_EQ(Keymap::flags({"cmd", "command", "meta"}), 0x100000U);
    EXPECT_EQ(Keymap::flags({"Option"}), 0x80000U);
    EXPECT_EQ(Keymap::flags({"shift", "alt", "control", "function"}), 0x8E0000U);
    EXPECT_EQ(Keymap::flags({"ctrl", "fn"}), 0x840000U);

    const Failure tooMany = invalid("For mange modifikatorer.");
    EXPECT_EQ(failureOf([] {
                  Keymap::flags({"shift", "shift", "shift", "shift", "shift"});
              }),
              tooMany);
    // The count is checked before any name is looked up.
    EXPECT_EQ(failureOf([] {
                  Keymap::flags({"nope", "shift", "shift", "shift", "shift"});
              }),
              tooMany);
    // The first unknown name is reported; later ones are not examined.
    EXPECT_EQ(failureOf([] {
                  Keymap::flags({"shift", "First", "Second"});
              }),
              invalid("Ukjent modifikator: First."));
}

TEST(Keymap, FunctionKeysAreRefusedWhateverIsHeld) {
    const std::string message =
        "Funksjonstastene tolkes av macOS før appen ser dem. Orvel Rire sender dem ikke; ta over "
        "selv hvis du trenger dem.";
    EXPECT_EQ(Keymap::scopeDenial("f5", 0), (Keymap::Denial{Scope::functionKey, message}));
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
    EXPECT_EQ(failureOf([] { Keymap::stroke("f13", {}); }), invalid("Ukjent tast: f13."));
}

TEST(Keymap, ControlAndFnAreRefusedBeforeCommandIsConsidered) {
    const std::string message =
        "Ctrl- og Fn-kombinasjoner er der macOS har sine egne snarveier. Orvel Rire sender dem "
        "ikke; ta over selv hvis du trenger dem.";
    EXPECT_EQ(Keymap::scopeDenial("c", Keymap::maskControl),
              (Keymap::Denial{Scope::systemModifier, message}));
    EXPECT_EQ(scopeOf("left", Keymap::maskSecondaryFn), Scope::systemModifier);
    EXPECT_EQ(scopeOf("v", Keymap::maskControl | Keymap::maskCommand), Scope::systemModifier);
    EXPECT_EQ(scopeOf("!", Keymap::maskSecondaryFn | Keymap::maskAlternate), Scope::systemModifier);
}

TEST(Keymap, CommandAllowsItsShortListAndNeverPastes) {
    const std::string clipboard =
        "Orvel Rire limer ikke inn utklippstavlen. Skriv teksten som skal settes inn i stedet.";
    EXPECT_EQ(Keymap::scopeDenial("v", Keymap::maskCommand),
              (Keymap::Denial{Scope::clipboard, clipboard}));
    EXPECT_EQ(scopeOf("V", Keymap::maskCommand | Keymap::maskShift), Scope::clipboard);
    EXPECT_EQ(Keymap::scopeDenial("v", Keymap::maskCommand | Keymap::maskAlternate),
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
            EXPECT_EQ(scopeOf(key, Keymap::flags(names)), expected) << key << " with " << row;
            if (expected) {
                const auto failure = failureOf([&] { Keymap::stroke(key, names); });
                ASSERT_TRUE(failure) << key << " with " << row;
                EXPECT_EQ(failure->code, "denied_action");
                EXPECT_EQ(failure->details,
                          (Json{{"scope", std::string(Keymap::rawValue(*expected))}}));
            } else {
                EXPECT_EQ(Keymap::stroke(key, names), (Keymap::Stroke{code, Keymap::flags(names)}));
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
    EXPECT_EQ(Keymap::scopeDenial("!", 0),
              (Keymap::Denial{Scope::notWindowScoped, generalMessage}));
    EXPECT_EQ(scopeOf("ab", 0), Scope::notWindowScoped);
    EXPECT_EQ(scopeOf("Escape", 0), std::nullopt);
    EXPECT_EQ(scopeOf("tab", Keymap::maskShift), std::nullopt);
    EXPECT_EQ(scopeOf("space", Keymap::maskShift), std::nullopt);
    EXPECT_EQ(scopeOf("a", Keymap::maskAlternate), Scope::notWindowScoped);
    EXPECT_EQ(scopeOf("left", Keymap::maskAlternate), std::nullopt);
}

TEST(Keymap, StrokeChecksTheKeyThenTheModifiersThenTheScope) {
    EXPECT_EQ(Keymap::stroke("C", {"Cmd"}), (Keymap::Stroke{8, 0x100000}));
    EXPECT_EQ(Keymap::stroke("z", {"cmd", "shift"}), (Keymap::Stroke{6, 0x120000}));
    EXPECT_EQ(Keymap::stroke("Tab", {"shift"}), (Keymap::Stroke{48, 0x20000}));
    EXPECT_EQ(Keymap::stroke("return", {}), (Keymap::Stroke{36, 0}));

    EXPECT_EQ(failureOf([] {
                  Keymap::stroke("nokey", {"a", "b", "c", "d", "e"});
              }),
              invalid("Ukjent tast: nokey."));
    EXPECT_EQ(failureOf([] {
                  Keymap::stroke("f5", {"a", "b", "c", "d", "e"});
              }),
              invalid("For mange modifikatorer."));
    EXPECT_EQ(failureOf([] { Keymap::stroke("v", {"Super"}); }),
              invalid("Ukjent modifikator: Super."));
    EXPECT_EQ(failureOf([] { Keymap::stroke("V", {"cmd"}); }),
              Failure("denied_action",
                      "Orvel Rire limer ikke inn utklippstavlen. Skriv teksten som skal settes inn "
                      "i stedet.",
                      Json{{"scope", "clipboard"}}));
    EXPECT_EQ(failureOf([] { Keymap::stroke("q", {"cmd"}); }),
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

} // namespace
} // namespace orvel
