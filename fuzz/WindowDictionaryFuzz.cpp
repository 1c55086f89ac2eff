// Window dictionaries as a hostile window server could hand them over, against the reading
// rules written out on their own: a window is taken only with a pid, a window number and bounds
// of the right types; a boolean is never read as a number; no frame comes from a rectangle that
// is not four finite numbers; and the optional fields fall back rather than being misread.
#include "FuzzCheck.hpp"
#include "JsonNumbers.hpp"
#include "OrvelControlCore/Json.hpp"
#include "OrvelControlCore/Text.hpp"
#include "WindowDictionary.hpp"

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace {

using namespace orvel::fuzz;
using orvel::Json;

constexpr long double int64Low = -9223372036854775808.0L;
constexpr long double int64High = 9223372036854775807.0L;

std::optional<orvel::Rect> expectedBounds(const Json* bounds) {
    if (bounds == nullptr || !bounds->is_object()) {
        return std::nullopt;
    }
    const auto x = finiteNumber(member(*bounds, "X"));
    const auto y = finiteNumber(member(*bounds, "Y"));
    const auto width = finiteNumber(member(*bounds, "Width"));
    const auto height = finiteNumber(member(*bounds, "Height"));
    if (!x || !y || !width || !height) {
        return std::nullopt;
    }
    return orvel::Rect{{*x, *y}, {*width, *height}};
}

void check(const Json& dictionary) {
    const auto window = orvel::parseWindowDictionary(dictionary);
    const auto pid =
        wholeNumberIn(member(dictionary, "kCGWindowOwnerPID"), -2147483648.0L, 2147483647.0L);
    const auto number = wholeNumberIn(member(dictionary, "kCGWindowNumber"), 0, 4294967295.0L);
    const auto frame = expectedBounds(member(dictionary, "kCGWindowBounds"));
    const bool wellFormed = dictionary.is_object() && pid && number && frame;
    require(window.has_value() == wellFormed,
            "a window is taken exactly when its pid, number and bounds are well formed",
            dictionary.dump(-1, ' ', false, Json::error_handler_t::replace));
    if (!window) {
        return;
    }
    require(window->pid == static_cast<std::int32_t>(*pid) &&
                window->windowId == static_cast<std::uint32_t>(*number),
            "the pid and window number are the dictionary's own");
    require(window->frame == *frame, "the frame is the bounds as given");
    const Json* name = member(dictionary, "kCGWindowName");
    const std::string title =
        name != nullptr && name->is_string() ? name->get<std::string>() : std::string();
    require(window->title == orvel::text::validUtf8(title) &&
                orvel::text::isValidUtf8(window->title),
            "the title is the name, repaired to valid text, or empty");
    const auto layer = wholeNumberIn(member(dictionary, "kCGWindowLayer"), int64Low, int64High);
    require(window->layer == (layer ? static_cast<std::int64_t>(*layer) : 0),
            "the layer is a whole number or 0");
    require(window->onScreen ==
                flagValue(member(dictionary, "kCGWindowIsOnscreen")).value_or(false),
            "on screen only for true or the number 1");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto document =
        orvel::parseJson(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!document) {
        return 0;
    }
    check(*document);
    // The window server's answer is a list; each of its members is read on its own.
    if (document->is_array()) {
        for (const auto& entry : *document) {
            check(entry);
        }
    }
    return 0;
}
