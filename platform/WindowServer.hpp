// The window server: its list of windows and the login session's dictionary.
//
// Both are handed over as JSON exactly as the platform gives them (booleans stay booleans,
// numbers stay numbers, and malformed entries stay malformed), so that the program's own
// parsing rules decide what is usable. Safe to call from any thread.
#pragma once

#include "OrvelControlCore/Json.hpp"

#include <cstdint>
#include <optional>

namespace orvel::platform {

namespace windowlist {
inline constexpr std::uint32_t onScreenOnly = 1;
inline constexpr std::uint32_t excludeDesktopElements = 16;
inline constexpr std::uint32_t nullWindow = 0;
} // namespace windowlist

class WindowServer {
  public:
    virtual ~WindowServer() = default;

    // CGWindowListCopyWindowInfo: the window dictionaries, front to back, as a JSON array of
    // objects keyed "kCGWindowOwnerPID", "kCGWindowNumber", "kCGWindowBounds", ...; absent
    // when the window server gives nothing.
    virtual std::optional<Json> copyWindowInfo(std::uint32_t options,
                                               std::uint32_t relativeToWindow) = 0;

    // CGSessionCopyCurrentDictionary: the login session's dictionary, or absent.
    virtual std::optional<Json> copyCurrentSessionDictionary() = 0;
};

} // namespace orvel::platform
