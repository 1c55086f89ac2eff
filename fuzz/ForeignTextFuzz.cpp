// Text as other applications hand it over (any bytes), through the repair and the shortening the
// program applies before text reaches a record or a response, checked against ICU: the repaired
// text is always valid UTF-8 and is what ICU's conversion with U+FFFD for each maximal ill-formed
// subpart gives; valid text is left alone; the shortened text is valid, never longer than the
// limit (plus its "…"), a prefix of whole characters, and, for text of assigned characters, the
// characters are counted as ICU counts extended grapheme clusters.
#include "FuzzCheck.hpp"
#include "OrvelControlCore/Payload.hpp"
#include "OrvelControlCore/Text.hpp"

#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

using orvel::fuzz::require;
namespace text = orvel::text;

// Well-formed UTF-8 by the table of well-formed byte sequences, byte by byte.
bool wellFormed(std::string_view bytes) {
    std::size_t at = 0;
    const auto byteAt = [&](std::size_t i) {
        return static_cast<unsigned char>(bytes[i]);
    };
    while (at < bytes.size()) {
        const unsigned char lead = byteAt(at);
        std::size_t length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead < 0x80) {
            length = 1;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (at + length > bytes.size()) {
            return false;
        }
        for (std::size_t i = 1; i < length; ++i) {
            const unsigned char next = byteAt(at + i);
            const unsigned char from = i == 1 ? low : 0x80;
            const unsigned char to = i == 1 ? high : 0xBF;
            if (next < from || next > to) {
                return false;
            }
        }
        at += length;
    }
    return true;
}

// ICU's conversion, one U+FFFD for each maximal subpart of an ill-formed sequence.
std::string icuRepaired(std::string_view bytes) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    std::vector<UChar> units(bytes.size() + 1);
    u_strFromUTF8WithSub(units.data(), static_cast<int32_t>(units.size()), &length, bytes.data(),
                         static_cast<int32_t>(bytes.size()), 0xFFFD, nullptr, &status);
    require(U_SUCCESS(status), "ICU converts any bytes with substitution");
    std::string repaired;
    icu::UnicodeString(units.data(), length).toUTF8String(repaired);
    return repaired;
}

// The byte offsets at which ICU's extended grapheme clusters of valid text begin, and its end.
// Creating ICU's iterator costs more than the rest of an input, so the oracle keeps one.
icu::BreakIterator& icuCharacterIterator() {
    static const std::unique_ptr<icu::BreakIterator> characters = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> created(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        require(U_SUCCESS(status), "ICU gives a character break iterator");
        return created;
    }();
    return *characters;
}

std::vector<std::size_t> icuCharacterStarts(const std::string& valid) {
    UErrorCode status = U_ZERO_ERROR;
    icu::BreakIterator* characters = &icuCharacterIterator();
    UText* utext =
        utext_openUTF8(nullptr, valid.data(), static_cast<int64_t>(valid.size()), &status);
    characters->setText(utext, status);
    require(U_SUCCESS(status), "ICU reads the text");
    std::vector<std::size_t> starts;
    for (int32_t at = characters->first(); at != icu::BreakIterator::DONE;
         at = characters->next()) {
        starts.push_back(static_cast<std::size_t>(at));
    }
    utext_close(utext);
    return starts;
}

void checkRepair(std::string_view bytes) {
    const bool valid = wellFormed(bytes);
    require(text::isValidUtf8(bytes) == valid, "validity is decided by the well-formed table");
    const std::string repaired = text::validUtf8(bytes);
    require(wellFormed(repaired), "repaired text is always valid UTF-8");
    if (valid) {
        require(repaired == bytes, "valid text is left alone");
    }
    require(repaired == icuRepaired(bytes),
            "each maximal ill-formed subpart becomes one U+FFFD, as ICU converts it");
}

// Whether ICU knows every scalar of the text. The grapheme tables of the two libraries agree on
// assigned characters; for reserved ones (utf8proc gives the reserved pictographic ranges no
// emoji property) they may cut differently, and neither cut is wrong for a character that does
// not exist yet.
bool allAssigned(const std::string& valid) {
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(valid);
    for (int32_t at = 0; at < text.length(); at = text.moveIndex32(at, 1)) {
        if (u_charType(text.char32At(at)) == U_UNASSIGNED) {
            return false;
        }
    }
    return true;
}

void checkCharacters(const std::string& valid) {
    std::string joined;
    for (const auto& character : text::characters(valid)) {
        require(!character.empty() && wellFormed(character), "each character is valid text");
        joined += character;
    }
    require(joined == valid, "the characters give the text back");
    if (!allAssigned(valid)) {
        return;
    }
    const auto starts = icuCharacterStarts(valid);
    const std::size_t count = starts.empty() ? 0 : starts.size() - 1;
    require(text::characterCount(valid) == count,
            "characters are counted as extended grapheme clusters");
    std::size_t index = 0;
    for (const auto& character : text::characters(valid)) {
        require(index < count &&
                    character == valid.substr(starts[index], starts[index + 1] - starts[index]),
                "each character is one cluster");
        ++index;
    }
}

void checkShortening(const std::string& valid, int limit) {
    const std::string shortened = orvel::truncated(valid, limit);
    require(wellFormed(shortened), "shortened text is valid UTF-8");
    const std::size_t count = text::characterCount(valid);
    if (count <= static_cast<std::size_t>(limit)) {
        require(shortened == valid, "text within the limit is kept whole");
        return;
    }
    const std::string kept = text::prefixCharacters(valid, static_cast<std::size_t>(limit));
    require(shortened == kept + "\u2026", "longer text is its first characters and an ellipsis");
    require(valid.compare(0, kept.size(), kept) == 0, "the kept characters are the text's own");
    require(text::characterCount(kept) == static_cast<std::size_t>(limit),
            "exactly the limit's characters are kept");
    require(text::characterCount(shortened) <= static_cast<std::size_t>(limit) + 1,
            "shortened text is never longer than the limit and its ellipsis");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte is the limit, so that short inputs reach both sides of it.
    const int limit = data[0] % 40;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    checkRepair(bytes);
    const std::string repaired = text::validUtf8(bytes);
    checkCharacters(repaired);
    checkShortening(repaired, limit);
    require(wellFormed(text::nfc(repaired)) && wellFormed(text::folded(bytes)),
            "composed and folded text stay valid");
    return 0;
}
