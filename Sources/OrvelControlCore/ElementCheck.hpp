// Comparing what an observation recorded about an element with what the element says about
// itself now, and checking that a pointer lands on the element the caller approved.
// Pure; thread-safe.
#pragma once

#include "OrvelControlCore/ElementSnapshot.hpp"
#include "OrvelControlCore/Failure.hpp"

#include <optional>
#include <string>

namespace orvel::ElementCheck {

// The largest change of a frame's x, y, width or height that still counts as not moved.
inline constexpr double tolerance = 3.0;

// The first disagreement between the observed and the live snapshot (absent: the element no
// longer answers), or nothing when the element is unchanged.
std::optional<Failure> mismatch(const ElementSnapshot& observed,
                                const std::optional<ElementSnapshot>& live);

// A failure when an approval was given (a non-empty id) for another element than the one
// resolved.
std::optional<Failure> bindingMismatch(const std::optional<std::string>& expected,
                                       const std::string& actual);

} // namespace orvel::ElementCheck
