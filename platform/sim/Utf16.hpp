// UTF-16 to UTF-8, for the Unicode strings keyboard events carry. An unpaired surrogate
// becomes U+FFFD, so the result is always valid UTF-8. Pure.
#pragma once

#include <string>
#include <string_view>

namespace orvel::sim {

std::string utf8FromUtf16(std::u16string_view text);

} // namespace orvel::sim
