// PNG encoding of an RGBA image into memory with libpng, shared by every desktop's capture
// service. Absent when the image is not a well-formed RGBA image (no pixels, or a buffer of
// the wrong size) or libpng fails. Pure; safe from any thread.
#pragma once

#include "platform/ScreenCapture.hpp"

#include <cstdint>
#include <optional>
#include <vector>

namespace orvel::platform {

// `compressionLevel` is zlib's 0 (none) to 9 (smallest); absent: libpng's default. A real
// screen's captures are encoded at a low level, where most of the size is won at a fraction
// of the time.
std::optional<std::vector<std::uint8_t>> encodePng(const CapturedImage& image,
                                                   std::optional<int> compressionLevel = {});

} // namespace orvel::platform
