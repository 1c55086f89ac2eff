// The reading of one window dictionary as the window server hands it over: the owner's pid, the
// window number and the bounds are required and must have the right types; the name, layer and
// on-screen flag fall back to "", 0 and false. A boolean is never read as a number, a number
// only where its value is exactly representable in the field's type, and a frame only from a
// rectangle of four finite numbers, so a hostile or malformed dictionary is skipped rather than
// misread.
//
// Pure; callable from any thread.
#pragma once

#include "OrvelControlCore/Json.hpp"
#include "WindowTarget.hpp"

#include <optional>

namespace orvel {

// The window the dictionary describes, or nothing when it is not a dictionary, lacks the pid,
// the window number or the bounds, or gives one of them with a value of another type.
std::optional<WindowTarget> parseWindowDictionary(const Json& dictionary);

} // namespace orvel
