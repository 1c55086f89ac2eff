#include "OrvelControlCore/Text.hpp"

#include <utf8proc.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace orvel::text {
namespace {

constexpr char32_t replacementCharacter = 0xFFFD;
constexpr char32_t capitalIWithDotAbove = 0x0130;
constexpr std::string_view dottedSmallI = "i\xCC\x87";

struct Scalar {
    char32_t value = 0;
    std::size_t length = 0; // 0 when the bytes at the position are not valid UTF-8
};

Scalar decodeAt(std::string_view text, std::size_t at) {
    const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data()) + at;
    utf8proc_int32_t value = 0;
    const auto length =
        utf8proc_iterate(bytes, static_cast<utf8proc_ssize_t>(text.size() - at), &value);
    if (length <= 0) {
        return {};
    }
    return {static_cast<char32_t>(value), static_cast<std::size_t>(length)};
}

bool isAscii(unsigned char byte) {
    return byte < 0x80;
}

// The end of the grapheme cluster that starts at `start`. An ASCII byte followed by another
// ASCII byte (or the end) forms a cluster of its own, except CR LF, so ASCII text never reaches
// the Unicode tables. An invalid byte is a cluster of its own and ends the cluster before it.
std::size_t clusterEnd(std::string_view text, std::size_t start) {
    const auto byteAt = [&](std::size_t at) {
        return static_cast<unsigned char>(text[at]);
    };
    if (isAscii(byteAt(start))) {
        const std::size_t next = start + 1;
        if (next == text.size()) {
            return next;
        }
        if (byteAt(start) == '\r' && byteAt(next) == '\n') {
            return next + 1;
        }
        if (isAscii(byteAt(next))) {
            return next;
        }
    }
    Scalar previous = decodeAt(text, start);
    if (previous.length == 0) {
        return start + 1;
    }
    utf8proc_int32_t state = 0;
    std::size_t end = start + previous.length;
    while (end < text.size()) {
        const Scalar next = decodeAt(text, end);
        if (next.length == 0 ||
            utf8proc_grapheme_break_stateful(static_cast<utf8proc_int32_t>(previous.value),
                                             static_cast<utf8proc_int32_t>(next.value), &state)) {
            break;
        }
        previous = next;
        end += next.length;
    }
    return end;
}

void appendScalar(std::string& out, char32_t scalar) {
    utf8proc_uint8_t encoded[4];
    const auto length = utf8proc_encode_char(static_cast<utf8proc_int32_t>(scalar), encoded);
    out.append(reinterpret_cast<const char*>(encoded), static_cast<std::size_t>(length));
}

// The bytes a well-formed sequence may have in second place after `lead`, and its length; a
// length of 0 for a byte that never starts one. Later continuation bytes are 80..BF.
struct LeadRule {
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
};

LeadRule leadRule(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) {
        return {2};
    }
    if (lead == 0xE0) {
        return {3, 0xA0};
    }
    if (lead == 0xED) {
        return {3, 0x80, 0x9F};
    }
    if (lead >= 0xE1 && lead <= 0xEF) {
        return {3};
    }
    if (lead == 0xF0) {
        return {4, 0x90};
    }
    if (lead >= 0xF1 && lead <= 0xF3) {
        return {4};
    }
    if (lead == 0xF4) {
        return {4, 0x80, 0x8F};
    }
    return {};
}

// The length of the maximal subpart at `at`, where no valid sequence starts: the bytes that
// still begin a well-formed sequence, at least one.
std::size_t invalidSequenceLength(std::string_view text, std::size_t at) {
    const LeadRule rule = leadRule(static_cast<unsigned char>(text[at]));
    std::size_t length = 1;
    while (length < rule.length && at + length < text.size()) {
        const auto byte = static_cast<unsigned char>(text[at + length]);
        const unsigned char low = length == 1 ? rule.low : 0x80;
        const unsigned char high = length == 1 ? rule.high : 0xBF;
        if (byte < low || byte > high) {
            break;
        }
        ++length;
    }
    return length;
}

bool isAsciiOnly(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char byte) { return isAscii(static_cast<unsigned char>(byte)); });
}

utf8proc_category_t categoryOf(char32_t scalar) {
    return utf8proc_category(static_cast<utf8proc_int32_t>(scalar));
}

bool isLetter(utf8proc_category_t category) {
    return category >= UTF8PROC_CATEGORY_LU && category <= UTF8PROC_CATEGORY_LO;
}

bool isMark(utf8proc_category_t category) {
    return category >= UTF8PROC_CATEGORY_MN && category <= UTF8PROC_CATEGORY_ME;
}

bool isNumber(utf8proc_category_t category) {
    return category >= UTF8PROC_CATEGORY_ND && category <= UTF8PROC_CATEGORY_NO;
}

struct MallocFree {
    void operator()(utf8proc_uint8_t* pointer) const { std::free(pointer); }
};

} // namespace

std::size_t characterCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size(); at = clusterEnd(text, at)) {
        ++count;
    }
    return count;
}

std::size_t prefixByteLength(std::string_view text, std::size_t count) {
    std::size_t at = 0;
    for (std::size_t taken = 0; taken < count && at < text.size(); ++taken) {
        at = clusterEnd(text, at);
    }
    return at;
}

std::string prefixCharacters(std::string_view text, std::size_t count) {
    return std::string(text.substr(0, prefixByteLength(text, count)));
}

std::vector<std::string> characters(std::string_view text) {
    std::vector<std::string> result;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = clusterEnd(text, at);
        result.emplace_back(text.substr(at, end - at));
        at = end;
    }
    return result;
}

std::string nfc(std::string_view text) {
    if (isAsciiOnly(text)) {
        return std::string(text);
    }
    utf8proc_uint8_t* composed = nullptr;
    const auto length =
        utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()),
                     static_cast<utf8proc_ssize_t>(text.size()), &composed,
                     static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
    const std::unique_ptr<utf8proc_uint8_t, MallocFree> owner(composed);
    if (length < 0) {
        return std::string(text);
    }
    return std::string(reinterpret_cast<const char*>(composed), static_cast<std::size_t>(length));
}

bool canonicallyEqual(std::string_view a, std::string_view b) {
    if (a == b) {
        return true;
    }
    if (isAsciiOnly(a) && isAsciiOnly(b)) {
        return false;
    }
    return nfc(a) == nfc(b);
}

std::string folded(std::string_view text) {
    const std::string valid = validUtf8(text);
    utf8proc_uint8_t* mapped = nullptr;
    const auto length = utf8proc_map(
        reinterpret_cast<const utf8proc_uint8_t*>(valid.data()),
        static_cast<utf8proc_ssize_t>(valid.size()), &mapped,
        static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPAT | UTF8PROC_COMPOSE |
                                       UTF8PROC_CASEFOLD | UTF8PROC_STRIPMARK | UTF8PROC_IGNORE));
    const std::unique_ptr<utf8proc_uint8_t, MallocFree> owner(mapped);
    if (length < 0) {
        return lowercased(valid);
    }
    return std::string(reinterpret_cast<const char*>(mapped), static_cast<std::size_t>(length));
}

std::string lowercased(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const Scalar scalar = decodeAt(text, at);
        if (scalar.length == 0) {
            out += text[at++];
            continue;
        }
        if (scalar.value == capitalIWithDotAbove) {
            out += dottedSmallI;
        } else {
            appendScalar(out, static_cast<char32_t>(
                                  utf8proc_tolower(static_cast<utf8proc_int32_t>(scalar.value))));
        }
        at += scalar.length;
    }
    return out;
}

bool isLetterOrNumber(char32_t scalar) {
    const auto category = categoryOf(scalar);
    return isLetter(category) || isNumber(category);
}

bool isAlphanumeric(char32_t scalar) {
    const auto category = categoryOf(scalar);
    return isLetter(category) || isMark(category) || isNumber(category);
}

bool isWhitespaceOrControl(char32_t scalar) {
    const auto category = categoryOf(scalar);
    return (category >= UTF8PROC_CATEGORY_ZS && category <= UTF8PROC_CATEGORY_ZP) ||
           category == UTF8PROC_CATEGORY_CC;
}

std::optional<char32_t> firstScalar(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    const Scalar scalar = decodeAt(text, 0);
    if (scalar.length == 0) {
        return std::nullopt;
    }
    return scalar.value;
}

std::u16string utf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const Scalar scalar = decodeAt(text, at);
        const char32_t value = scalar.length == 0 ? replacementCharacter : scalar.value;
        at += std::max<std::size_t>(scalar.length, 1);
        if (value < 0x10000) {
            out += static_cast<char16_t>(value);
        } else {
            const char32_t offset = value - 0x10000;
            out += static_cast<char16_t>(0xD800 + (offset >> 10));
            out += static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
        }
    }
    return out;
}

bool isValidUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        if (isAscii(static_cast<unsigned char>(text[at]))) {
            ++at;
            continue;
        }
        const Scalar scalar = decodeAt(text, at);
        if (scalar.length == 0) {
            return false;
        }
        at += scalar.length;
    }
    return true;
}

std::string validUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const Scalar scalar = decodeAt(text, at);
        if (scalar.length == 0) {
            appendScalar(out, replacementCharacter);
            at += invalidSequenceLength(text, at);
        } else {
            out.append(text.substr(at, scalar.length));
            at += scalar.length;
        }
    }
    return out;
}

} // namespace orvel::text
