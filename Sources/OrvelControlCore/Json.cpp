#include "OrvelControlCore/Json.hpp"

#include "OrvelControlCore/Text.hpp"

#include <utf8proc.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace orvel {
namespace {

enum class Mode { wire, fingerprint };

enum class ByteClass : std::uint8_t { plain, escaped, multibyte };

constexpr std::array<ByteClass, 256> byteClasses(Mode mode) {
    std::array<ByteClass, 256> classes{};
    for (int byte = 0; byte < 256; ++byte) {
        if (byte < 0x20 || byte == '"' || byte == '\\' ||
            (mode == Mode::fingerprint && byte == '/')) {
            classes[byte] = ByteClass::escaped;
        } else if (byte >= 0x80) {
            classes[byte] = ByteClass::multibyte;
        } else {
            classes[byte] = ByteClass::plain;
        }
    }
    return classes;
}

constexpr std::array<ByteClass, 256> wireClasses = byteClasses(Mode::wire);
constexpr std::array<ByteClass, 256> fingerprintClasses = byteClasses(Mode::fingerprint);

// Walks every value of a document without recursion, so that deeply nested client input cannot
// exhaust the stack. Stops at the first value `accept` rejects.
template <class Accept> bool everyValue(const Json& root, Accept accept) {
    std::vector<const Json*> pending{&root};
    while (!pending.empty()) {
        const Json* value = pending.back();
        pending.pop_back();
        if (!accept(*value)) {
            return false;
        }
        if (value->is_object()) {
            for (const auto& entry : value->get_ref<const Json::object_t&>()) {
                pending.push_back(&entry.second);
            }
        } else if (value->is_array()) {
            for (const auto& element : value->get_ref<const Json::array_t&>()) {
                pending.push_back(&element);
            }
        }
    }
    return true;
}

// Serialises a document iteratively in the layout of nlohmann's compact dump(). Strings are
// copied in runs of bytes that need no escaping; only non-ASCII bytes are decoded, to check that
// they form valid UTF-8.
class TextWriter {
  public:
    explicit TextWriter(Mode mode)
        : mode(mode), classes(mode == Mode::wire ? wireClasses : fingerprintClasses) {}

    // False when the document cannot be written in wire mode; fingerprint mode always succeeds.
    bool writeDocument(const Json& root, std::optional<std::string_view> omittedTopLevelKey = {}) {
        omittedKey = omittedTopLevelKey;
        if (!writeOrOpen(root)) {
            return false;
        }
        while (!levels.empty()) {
            if (!writeNextMember()) {
                return false;
            }
        }
        return true;
    }

    std::string take() { return std::move(out); }

  private:
    struct Level {
        bool isObject = false;
        bool first = true;
        Json::object_t::const_iterator member;
        Json::object_t::const_iterator memberEnd;
        Json::array_t::const_iterator element;
        Json::array_t::const_iterator elementEnd;
    };

    bool writeNextMember() {
        Level& level = levels.back();
        if (level.isObject ? level.member == level.memberEnd : level.element == level.elementEnd) {
            out += level.isObject ? '}' : ']';
            levels.pop_back();
            return true;
        }
        if (level.isObject) {
            const auto& [key, child] = *level.member++;
            if (levels.size() == 1 && omittedKey && key == *omittedKey) {
                return true;
            }
            separate(level);
            if (!writeString(key)) {
                return false;
            }
            out += ':';
            return writeOrOpen(child);
        }
        const Json& child = *level.element++;
        separate(level);
        return writeOrOpen(child);
    }

    void separate(Level& level) {
        if (!level.first) {
            out += ',';
        }
        level.first = false;
    }

    // Writes a scalar, or the opening bracket of a container whose members follow later.
    bool writeOrOpen(const Json& value) {
        switch (value.type()) {
        case Json::value_t::object: {
            const auto& members = value.get_ref<const Json::object_t&>();
            Level level;
            level.isObject = true;
            level.member = members.begin();
            level.memberEnd = members.end();
            levels.push_back(level);
            out += '{';
            return true;
        }
        case Json::value_t::array: {
            const auto& elements = value.get_ref<const Json::array_t&>();
            Level level;
            level.element = elements.begin();
            level.elementEnd = elements.end();
            levels.push_back(level);
            out += '[';
            return true;
        }
        case Json::value_t::string:
            return writeString(value.get_ref<const std::string&>());
        case Json::value_t::boolean:
            out += value.get<bool>() ? "true" : "false";
            return true;
        case Json::value_t::null:
            out += "null";
            return true;
        case Json::value_t::number_integer:
            writeInteger(value.get<std::int64_t>());
            return true;
        case Json::value_t::number_unsigned:
            writeInteger(value.get<std::uint64_t>());
            return true;
        case Json::value_t::number_float:
            return writeFloat(value.get<double>());
        case Json::value_t::binary:
        case Json::value_t::discarded:
            break;
        }
        if (mode == Mode::wire) {
            return false;
        }
        out += value.dump();
        return true;
    }

    template <class Integer> void writeInteger(Integer number) {
        std::array<char, 24> digits{};
        const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), number);
        out.append(digits.data(), result.ptr);
    }

    // Finite doubles use nlohmann's own shortest round-trip form, so the wire text agrees with
    // dump(). The fingerprint spells a whole number that an integer type can hold as that
    // integer, so 3, 3.0 and 3e0 (and 0 and -0.0) read alike, while integers beyond 2^53 stay
    // exact and distinct.
    bool writeFloat(double number) {
        if (!std::isfinite(number)) {
            if (mode == Mode::wire) {
                return false;
            }
            out += "null";
            return true;
        }
        if (mode == Mode::fingerprint && writeWholeNumber(number)) {
            return true;
        }
        out += Json(number).dump();
        return true;
    }

    // Writes `number` as an integer when it is whole and within the range of the integer types
    // the parser produces (-2^63 to 2^64, exclusive at the top); false otherwise. The bounds are
    // powers of two, so they are exact as doubles and the conversions below are exact too.
    bool writeWholeNumber(double number) {
        constexpr double int64Low = -9223372036854775808.0;
        constexpr double int64High = 9223372036854775808.0;
        constexpr double uint64High = 18446744073709551616.0;
        if (std::trunc(number) != number || number < int64Low || number >= uint64High) {
            return false;
        }
        if (number < int64High) {
            writeInteger(static_cast<std::int64_t>(number));
        } else {
            writeInteger(static_cast<std::uint64_t>(number));
        }
        return true;
    }

    bool writeString(std::string_view text) {
        out += '"';
        const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
        const std::size_t size = text.size();
        std::size_t runStart = 0;
        for (std::size_t at = skipPlain(bytes, 0, size); at < size;
             at = skipPlain(bytes, at, size)) {
            if (classes[bytes[at]] == ByteClass::multibyte) {
                utf8proc_int32_t scalar = 0;
                const auto length =
                    utf8proc_iterate(bytes + at, static_cast<utf8proc_ssize_t>(size - at), &scalar);
                if (length <= 0 && mode == Mode::wire) {
                    return false;
                }
                at += length > 0 ? static_cast<std::size_t>(length) : 1;
                continue;
            }
            out.append(text.substr(runStart, at - runStart));
            writeEscape(text[at]);
            runStart = at + 1;
            at = runStart;
        }
        out.append(text.substr(runStart));
        out += '"';
        return true;
    }

    // The position of the first byte from `at` on that is not plain ASCII, or `size`. Words of
    // eight bytes are tested at once; a word that may hold such a byte is then read bytewise.
    std::size_t skipPlain(const unsigned char* bytes, std::size_t at, std::size_t size) const {
        while (size - at >= sizeof(std::uint64_t)) {
            std::uint64_t word = 0;
            std::memcpy(&word, bytes + at, sizeof word);
            if (mayNeedAttention(word)) {
                break;
            }
            at += sizeof word;
        }
        while (at < size && classes[bytes[at]] == ByteClass::plain) {
            ++at;
        }
        return at;
    }

    bool mayNeedAttention(std::uint64_t word) const {
        constexpr std::uint64_t ones = 0x0101010101010101;
        constexpr std::uint64_t highBits = 0x8080808080808080;
        const auto hasZeroByte = [](std::uint64_t value) {
            return (value - ones) & ~value & highBits;
        };
        const std::uint64_t nonAscii = word & highBits;
        const std::uint64_t control = (word - ones * 0x20) & ~word & highBits;
        const std::uint64_t quote = hasZeroByte(word ^ (ones * '"'));
        const std::uint64_t backslash = hasZeroByte(word ^ (ones * '\\'));
        const std::uint64_t solidus =
            mode == Mode::fingerprint ? hasZeroByte(word ^ (ones * '/')) : 0;
        return (nonAscii | control | quote | backslash | solidus) != 0;
    }

    void writeEscape(char byte) {
        using namespace std::string_view_literals;
        switch (byte) {
        case '"':
            out += "\\\""sv;
            return;
        case '\\':
            out += "\\\\"sv;
            return;
        case '/':
            out += "\\/"sv;
            return;
        case '\b':
            out += "\\b"sv;
            return;
        case '\f':
            out += "\\f"sv;
            return;
        case '\n':
            out += "\\n"sv;
            return;
        case '\r':
            out += "\\r"sv;
            return;
        case '\t':
            out += "\\t"sv;
            return;
        default:
            break;
        }
        static constexpr std::string_view hex = "0123456789abcdef";
        const auto code = static_cast<unsigned char>(byte);
        const char escape[] = {'\\', 'u', '0', '0', hex[code >> 4], hex[code & 0x0F]};
        out.append(escape, sizeof escape);
    }

    Mode mode;
    const std::array<ByteClass, 256>& classes;
    std::optional<std::string_view> omittedKey;
    std::vector<Level> levels;
    std::string out;
};

} // namespace

std::optional<Json> parseJson(std::string_view text) {
    if (text.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    Json value = Json::parse(text, nullptr, false);
    if (value.is_discarded()) {
        return std::nullopt;
    }
    return value;
}

bool isFiniteJson(const Json& value) {
    return everyValue(value, [](const Json& each) {
        return !each.is_number_float() || std::isfinite(each.get<double>());
    });
}

bool isSerialisable(const Json& value) {
    return everyValue(value, [](const Json& each) {
        switch (each.type()) {
        case Json::value_t::number_float:
            return std::isfinite(each.get<double>());
        case Json::value_t::string:
            return text::isValidUtf8(each.get_ref<const std::string&>());
        case Json::value_t::object:
            for (const auto& entry : each.get_ref<const Json::object_t&>()) {
                if (!text::isValidUtf8(entry.first)) {
                    return false;
                }
            }
            return true;
        case Json::value_t::binary:
        case Json::value_t::discarded:
            return false;
        default:
            return true;
        }
    });
}

std::optional<std::string> wireText(const Json& value) {
    if (!value.is_object()) {
        return std::nullopt;
    }
    TextWriter writer(Mode::wire);
    if (!writer.writeDocument(value)) {
        return std::nullopt;
    }
    return writer.take();
}

std::string fingerprintText(const Json& value) {
    TextWriter writer(Mode::fingerprint);
    writer.writeDocument(value);
    return writer.take();
}

std::string fingerprintTextWithout(const Json& value, std::string_view topLevelKey) {
    TextWriter writer(Mode::fingerprint);
    writer.writeDocument(value, topLevelKey);
    return writer.take();
}

} // namespace orvel
