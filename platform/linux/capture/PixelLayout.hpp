// Turning the pixels the X server hands over into the capture's RGBA image. An image read
// from a pixmap carries no colour masks of its own, so the layout names the masks of the
// window's visual. Pure; thread-safe.
#pragma once

#include "platform/ScreenCapture.hpp"

#include <cstdint>
#include <optional>

namespace orvel::linuxdesktop {

struct PixelLayout {
    int width = 0;
    int height = 0;
    int bytesPerLine = 0;
    // 8, 16, 24 or 32.
    int bitsPerPixel = 0;
    // The server's byte order for pixel values wider than a byte.
    bool mostSignificantFirst = false;
    std::uint32_t redMask = 0;
    std::uint32_t greenMask = 0;
    std::uint32_t blueMask = 0;
};

// The opaque RGBA image of `pixels` (any alpha the window has is dropped: a person sees the
// window painted over what is behind it); absent for a layout it cannot read (no masks, an
// unsupported pixel size, lines shorter than the width).
std::optional<platform::CapturedImage> rgbaImage(const std::uint8_t* pixels,
                                                 const PixelLayout& layout);

} // namespace orvel::linuxdesktop
