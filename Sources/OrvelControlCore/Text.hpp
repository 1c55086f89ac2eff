// Unicode text helpers over UTF-8 strings, wrapping utf8proc: user-perceived characters
// (extended grapheme clusters), canonical composition, lower-casing and general categories.
//
// Text from other applications is not trusted to be valid UTF-8. Every function accepts any
// bytes: a byte that does not start a valid UTF-8 sequence counts as one character of its own
// and is otherwise passed through unchanged, except where a function says otherwise.
// All functions are pure and thread-safe.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvel::text {

// The number of extended grapheme clusters.
std::size_t characterCount(std::string_view text);

// The number of bytes taken by the first `count` characters (all of `text` when it is shorter).
std::size_t prefixByteLength(std::string_view text, std::size_t count);

// The first `count` characters.
std::string prefixCharacters(std::string_view text, std::size_t count);

// The characters, in order; concatenated they give `text` back.
std::vector<std::string> characters(std::string_view text);

// Canonical composition (NFC). Invalid UTF-8 is returned unchanged.
std::string nfc(std::string_view text);

// The two texts are canonically equivalent: their NFC forms are equal. Texts that are not
// valid UTF-8 are equal only byte for byte.
bool canonicallyEqual(std::string_view a, std::string_view b);

// Unicode lower-case mapping: the simple mapping of every scalar, plus the one unconditional
// multi-scalar mapping (U+0130 to "i" and a combining dot above).
std::string lowercased(std::string_view text);

// The form in which names are compared when they must not be evaded by spelling: invalid bytes
// repaired, compatibility-normalised (full-width and styled letters become plain ones),
// case-folded, with combining marks and default-ignorable characters (zero-width spaces and
// joiners) removed. "İTERM", "Ｔerminal" and "Ter\u200Bminal" fold to "iterm", "terminal".
std::string folded(std::string_view text);

// General category L or N.
bool isLetterOrNumber(char32_t scalar);

// General category L, M or N.
bool isAlphanumeric(char32_t scalar);

// General category Z (separators, including the space) or Cc (controls, including line feed).
bool isWhitespaceOrControl(char32_t scalar);

// The first scalar, when `text` starts with a valid UTF-8 sequence.
std::optional<char32_t> firstScalar(std::string_view text);

// UTF-16 code units; an invalid byte becomes U+FFFD.
std::u16string utf16(std::string_view text);

// True when `text` is entirely valid UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool isValidUtf8(std::string_view text);

// `text` with every invalid sequence replaced by one U+FFFD, so that it can always be sent as
// JSON. An invalid sequence is a maximal subpart, as Unicode recommends: the longest start of
// a well-formed sequence (a truncated "\xE2\x82" is one), or else a single byte.
std::string validUtf8(std::string_view text);

} // namespace orvel::text
