#include "platform/linux/capture/PixelLayout.hpp"

#include <bit>

namespace orvel::linuxdesktop {

namespace {

// One colour channel: where its mask sits and how wide it is.
struct Channel {
    int shift = 0;
    int bits = 0;

    explicit Channel(std::uint32_t mask)
        : shift(mask == 0 ? 0 : std::countr_zero(mask)), bits(mask == 0 ? 0 : std::popcount(mask)) {
    }

    std::uint8_t value(std::uint32_t pixel) const {
        const std::uint32_t raw = (pixel >> shift) & ((1U << bits) - 1U);
        if (bits >= 8) {
            return static_cast<std::uint8_t>(raw >> (bits - 8));
        }
        // Spread a narrow channel over the full range (5 bits: 31 becomes 255).
        return static_cast<std::uint8_t>((raw * 255U + ((1U << bits) - 1U) / 2U) /
                                         ((1U << bits) - 1U));
    }
};

std::uint32_t pixelAt(const std::uint8_t* at, int bytes, bool mostSignificantFirst) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        const int index = mostSignificantFirst ? i : bytes - 1 - i;
        value = (value << 8) | at[index];
    }
    return value;
}

bool isReadable(const PixelLayout& layout) {
    const bool knownSize = layout.bitsPerPixel == 8 || layout.bitsPerPixel == 16 ||
                           layout.bitsPerPixel == 24 || layout.bitsPerPixel == 32;
    const auto contiguous = [](std::uint32_t mask) {
        return mask != 0 && std::has_single_bit((mask >> std::countr_zero(mask)) + 1U);
    };
    return knownSize && layout.width > 0 && layout.height > 0 &&
           layout.bytesPerLine >= layout.width * (layout.bitsPerPixel / 8) &&
           contiguous(layout.redMask) && contiguous(layout.greenMask) &&
           contiguous(layout.blueMask);
}

// The common case of every 24-bit-colour X server on a little-endian machine: B, G, R, X bytes.
bool isBgrx(const PixelLayout& layout) {
    return layout.bitsPerPixel == 32 && !layout.mostSignificantFirst &&
           layout.redMask == 0xFF0000U && layout.greenMask == 0xFF00U && layout.blueMask == 0xFFU;
}

void copyBgrx(const std::uint8_t* pixels, const PixelLayout& layout, std::uint8_t* out) {
    for (int y = 0; y < layout.height; ++y) {
        const auto* in = pixels + static_cast<std::size_t>(y) * layout.bytesPerLine;
        for (int x = 0; x < layout.width; ++x, in += 4) {
            *out++ = in[2];
            *out++ = in[1];
            *out++ = in[0];
            *out++ = 255;
        }
    }
}

} // namespace

std::optional<platform::CapturedImage> rgbaImage(const std::uint8_t* pixels,
                                                 const PixelLayout& layout) {
    if (pixels == nullptr || !isReadable(layout)) {
        return std::nullopt;
    }
    const Channel red(layout.redMask);
    const Channel green(layout.greenMask);
    const Channel blue(layout.blueMask);
    const int bytes = layout.bitsPerPixel / 8;
    platform::CapturedImage image;
    image.width = layout.width;
    image.height = layout.height;
    image.rgba.resize(static_cast<std::size_t>(layout.width) * layout.height * 4);
    auto* out = image.rgba.data();
    if (isBgrx(layout)) {
        copyBgrx(pixels, layout, out);
        return image;
    }
    for (int y = 0; y < layout.height; ++y) {
        const auto* line = pixels + static_cast<std::size_t>(y) * layout.bytesPerLine;
        for (int x = 0; x < layout.width; ++x) {
            const auto pixel = pixelAt(line + x * bytes, bytes, layout.mostSignificantFirst);
            *out++ = red.value(pixel);
            *out++ = green.value(pixel);
            *out++ = blue.value(pixel);
            *out++ = 255;
        }
    }
    return image;
}

} // namespace orvel::linuxdesktop
