// PNG encoding of an RGBA image into memory with libpng. Absent when the image is not a
// well-formed RGBA image (no pixels, or a buffer of the wrong size) or libpng fails.
// Pure; safe from any thread.
#pragma once

#include "platform/ScreenCapture.hpp"

#include <cstdint>
#include <optional>
#include <vector>

namespace orvel::sim {

std::optional<std::vector<std::uint8_t>> encodePng(const platform::CapturedImage& image);

} // namespace orvel::sim
