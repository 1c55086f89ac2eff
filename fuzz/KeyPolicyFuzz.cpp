// The keymap and the key rules of every desktop profile against the allowed matrix written out
// on its own: a key combination is sent only when the matrix allows it, with the code of the key
// and the union of the modifiers' flags, and every refusal names the reason the matrix gives.
// Arbitrary key and modifier names and arbitrary held flags are tried, not only the table's.
#include "FuzzCheck.hpp"
#include "OrvelControlCore/Failure.hpp"
#include "OrvelControlCore/Keymap.hpp"
#include "OrvelControlCore/Text.hpp"
#include "platform/profiles/LinuxProfile.hpp"
#include "platform/profiles/MacProfile.hpp"

#include <fuzzer/FuzzedDataProvider.h>
#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using orvel::fuzz::require;
namespace Keymap = orvel::Keymap;

constexpr std::uint64_t shift = 0x20000;
constexpr std::uint64_t control = 0x40000;
constexpr std::uint64_t alternate = 0x80000;
constexpr std::uint64_t command = 0x100000;
constexpr std::uint64_t secondaryFn = 0x800000;

// The macOS virtual key codes of the US keyboard positions the protocol names.
const std::map<std::string, std::uint16_t>& keyCodes() {
    static const std::map<std::string, std::uint16_t> codes = {
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
    return codes;
}

const std::set<std::string> plainKeys = {"left",   "right",  "up",       "down",          "home",
                                         "end",    "pageup", "pagedown", "tab",           "escape",
                                         "return", "enter",  "delete",   "forwarddelete", "space"};

// One desktop's matrix: which modifier names mean which flag, which flags the desktop keeps,
// and the keys allowed with the shortcut modifier and with the second modifier.
struct Matrix {
    std::map<std::string, std::uint64_t> modifiers;
    std::uint64_t system;
    std::uint64_t primary;
    std::set<std::string> primaryKeys;
    std::uint64_t secondary;
    std::set<std::string> secondaryKeys;
};

const Matrix& macOSMatrix() {
    static const Matrix matrix{{{"cmd", command},
                                {"command", command},
                                {"meta", command},
                                {"shift", shift},
                                {"alt", alternate},
                                {"option", alternate},
                                {"ctrl", control},
                                {"control", control},
                                {"fn", secondaryFn},
                                {"function", secondaryFn}},
                               control | secondaryFn,
                               command,
                               {"a", "c", "x", "z", "s", "f", "g", "left", "right", "up", "down",
                                "home", "end", "delete", "forwarddelete"},
                               alternate,
                               {"left", "right", "up", "down", "delete", "forwarddelete"}};
    return matrix;
}

// On Linux the shortcut modifier is Control (which "cmd" also names) and Super is the desktop's.
const Matrix& linuxMatrix() {
    constexpr std::uint64_t super = command;
    static const Matrix matrix{{{"cmd", control},
                                {"command", control},
                                {"meta", control},
                                {"ctrl", control},
                                {"control", control},
                                {"shift", shift},
                                {"alt", alternate},
                                {"option", alternate},
                                {"super", super},
                                {"fn", secondaryFn},
                                {"function", secondaryFn}},
                               super | secondaryFn,
                               control,
                               {"a", "c", "x", "z", "y", "s", "f", "g", "left", "right", "up",
                                "down", "home", "end", "delete", "forwarddelete"},
                               alternate,
                               {"left", "right", "up", "down", "delete", "forwarddelete"}};
    return matrix;
}

// One user-perceived character whose first scalar is a letter, mark or number, as ICU sees it.
bool isOneAlphanumericCharacter(const std::string& key) {
    if (!orvel::text::isValidUtf8(key) || key.empty()) {
        return false;
    }
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(key);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> characters(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    require(U_SUCCESS(status), "ICU gives a character break iterator");
    characters->setText(text);
    characters->first();
    if (characters->next() != text.length()) {
        return false;
    }
    const UChar32 first = text.char32At(0);
    return (U_GET_GC_MASK(first) & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0;
}

// "f" followed by an optionally signed decimal integer.
bool isFunctionKeyName(const std::string& lower) {
    if (lower.size() < 2 || lower[0] != 'f') {
        return false;
    }
    std::size_t digits = 1;
    if (lower[1] == '+' || lower[1] == '-') {
        digits = 2;
    }
    if (digits == lower.size()) {
        return false;
    }
    for (std::size_t i = digits; i < lower.size(); ++i) {
        if (lower[i] < '0' || lower[i] > '9') {
            return false;
        }
    }
    return true;
}

// The matrix's verdict: nothing when the combination may be sent, otherwise the scope.
std::optional<Keymap::Scope> verdict(const std::string& lower, std::uint64_t held,
                                     const Matrix& matrix) {
    using Scope = Keymap::Scope;
    if (isFunctionKeyName(lower)) {
        return Scope::functionKey;
    }
    if ((held & matrix.system) != 0) {
        return Scope::systemModifier;
    }
    if ((held & matrix.primary) != 0) {
        if ((held & matrix.secondary) != 0) {
            return Scope::notWindowScoped;
        }
        if (lower == "v") {
            return Scope::clipboard;
        }
        return matrix.primaryKeys.contains(lower) ? std::nullopt
                                                  : std::optional(Scope::notWindowScoped);
    }
    if ((held & matrix.secondary) != 0) {
        return matrix.secondaryKeys.contains(lower) ? std::nullopt
                                                    : std::optional(Scope::notWindowScoped);
    }
    if (plainKeys.contains(lower) || isOneAlphanumericCharacter(lower)) {
        return std::nullopt;
    }
    return Scope::notWindowScoped;
}

std::string scopeName(const std::optional<Keymap::Scope>& scope) {
    return scope ? std::string(Keymap::rawValue(*scope)) : "allowed";
}

void checkDenial(const std::string& key, std::uint64_t held, const orvel::KeyPolicy& policy,
                 const Matrix& matrix) {
    const auto denial = Keymap::scopeDenial(key, held, policy);
    const auto expected = verdict(orvel::text::lowercased(key), held, matrix);
    require((denial ? std::optional(denial->scope) : std::nullopt) == expected,
            "the key rule decides as the allowed matrix does",
            key + ": " + (denial ? scopeName(denial->scope) : "allowed") + ", matrix " +
                scopeName(expected));
    if (denial) {
        require(!denial->message.empty(), "every refusal tells the person why");
    }
}

void checkStroke(const std::string& key, const std::vector<std::string>& modifiers,
                 const orvel::KeyPolicy& policy, const Matrix& matrix) {
    const std::string lower = orvel::text::lowercased(key);
    const auto code = keyCodes().find(lower);
    std::optional<std::uint64_t> flags = 0;
    if (modifiers.size() > 4) {
        flags.reset();
    } else {
        for (const auto& name : modifiers) {
            const auto found = matrix.modifiers.find(orvel::text::lowercased(name));
            if (found == matrix.modifiers.end()) {
                flags.reset();
                break;
            }
            *flags |= found->second;
        }
    }
    try {
        const auto stroke = Keymap::stroke(key, modifiers, policy);
        require(code != keyCodes().end() && flags.has_value(),
                "only a known key with at most four known modifiers is sent", key);
        require(!verdict(lower, *flags, matrix).has_value(),
                "nothing outside the allowed matrix is ever sent", key);
        require(stroke.code == code->second && stroke.flags == *flags,
                "the stroke carries the key's code and the modifiers' flags", key);
    } catch (const orvel::Failure& failure) {
        if (code == keyCodes().end() || !flags) {
            require(failure.code == "invalid_request",
                    "an unknown key or modifier is an invalid request", failure.code);
            return;
        }
        const auto expected = verdict(lower, *flags, matrix);
        require(expected.has_value(), "a combination the matrix allows is sent", key);
        require(failure.code == "denied_action" &&
                    failure.details.value("scope", "") == Keymap::rawValue(*expected),
                "a refused combination is denied_action with the matrix's scope",
                failure.code + " " + failure.details.dump());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const orvel::platform::PlatformProfile linux =
        orvel::platform::linuxProfile(orvel::platform::LockSource::sessionAndScreensaver);
    FuzzedDataProvider input(data, size);
    const bool onLinux = input.ConsumeBool();
    const auto& policy = onLinux ? linux.keys : orvel::platform::macOSProfile().keys;
    const auto& matrix = onLinux ? linuxMatrix() : macOSMatrix();
    const std::uint64_t held = input.ConsumeIntegral<std::uint64_t>();
    const std::string key = input.ConsumeRandomLengthString(40);
    std::vector<std::string> modifiers(input.ConsumeIntegralInRange<std::size_t>(0, 6));
    for (auto& modifier : modifiers) {
        modifier = input.ConsumeRandomLengthString(12);
    }
    checkDenial(key, held, policy, matrix);
    checkStroke(key, modifiers, policy, matrix);
    return 0;
}
