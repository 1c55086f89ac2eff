// A screenshot as the program sends it (Base64 of a PNG), decoded to RGBA pixels so that a test
// can compare it with what an application drew.
#pragma once

#include "OrvelControlCore/Geometry.hpp"
#include "linux/support/TestApplication.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvel::testing {

struct PngImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba; // row after row, four bytes a pixel

    // Null when the text is not Base64 of a PNG.
    static std::optional<PngImage> fromBase64(const std::string& text);

    // The share of the pixels of `area` (image pixels) within a few steps of `colour`.
    double shareInColour(const Rect& area, const Rgb& colour) const;
};

} // namespace orvel::testing
