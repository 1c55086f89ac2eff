// The X server's pixels as RGBA: the common 32-bit layout, narrower channels spread over the
// full range, the server's byte order, and layouts that cannot be read.
#include "platform/linux/capture/PixelLayout.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace orvel::linuxdesktop {
namespace {

PixelLayout layout(int bitsPerPixel, std::uint32_t red, std::uint32_t green, std::uint32_t blue,
                   int width = 2, int height = 1) {
    return PixelLayout{width, height, width * bitsPerPixel / 8, bitsPerPixel, false, red,
                       green, blue};
}

TEST(PixelLayout, ReadsBlueGreenRedPaddingAsOpaqueRgba) {
    const std::vector<std::uint8_t> pixels{0x7a, 0x00, 0xe0, 0x55, 0x10, 0x20, 0x30, 0x00};
    auto image = rgbaImage(pixels.data(), layout(32, 0xFF0000, 0xFF00, 0xFF));
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->rgba,
              (std::vector<std::uint8_t>{0xe0, 0x00, 0x7a, 255, 0x30, 0x20, 0x10, 255}));
}

TEST(PixelLayout, HonoursOtherMasksAndLinePadding) {
    // Red in the low byte, and each line padded to 12 bytes.
    PixelLayout swapped = layout(32, 0xFF, 0xFF00, 0xFF0000, 2, 2);
    swapped.bytesPerLine = 12;
    const std::vector<std::uint8_t> pixels{1, 2, 3, 0, 4,  5,  6,  0, 9, 9, 9, 9,
                                           7, 8, 9, 0, 10, 11, 12, 0, 9, 9, 9, 9};
    auto image = rgbaImage(pixels.data(), swapped);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->rgba, (std::vector<std::uint8_t>{1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255, 10,
                                                      11, 12, 255}));
}

TEST(PixelLayout, SpreadsNarrowChannelsOverTheFullRange) {
    // 16-bit 5-6-5: white, then pure green.
    const std::vector<std::uint8_t> pixels{0xFF, 0xFF, 0xE0, 0x07};
    auto image = rgbaImage(pixels.data(), layout(16, 0xF800, 0x07E0, 0x001F));
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->rgba, (std::vector<std::uint8_t>{255, 255, 255, 255, 0, 255, 0, 255}));
}

TEST(PixelLayout, ReadsTheMostSignificantByteFirstWhenTheServerSaysSo) {
    PixelLayout big = layout(32, 0xFF0000, 0xFF00, 0xFF, 1);
    big.mostSignificantFirst = true;
    const std::vector<std::uint8_t> pixels{0x00, 0xe0, 0x00, 0x7a};
    auto image = rgbaImage(pixels.data(), big);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->rgba, (std::vector<std::uint8_t>{0xe0, 0x00, 0x7a, 255}));
}

TEST(PixelLayout, RefusesWhatItCannotRead) {
    const std::vector<std::uint8_t> pixels(64, 0);
    EXPECT_FALSE(rgbaImage(pixels.data(), layout(32, 0, 0, 0))) << "a pixmap's own masks";
    EXPECT_FALSE(rgbaImage(pixels.data(), layout(12, 0xF00, 0xF0, 0xF)));
    EXPECT_FALSE(rgbaImage(pixels.data(), layout(32, 0xFF00FF, 0xFF00, 0xFF)));
    auto shortLines = layout(32, 0xFF0000, 0xFF00, 0xFF);
    shortLines.bytesPerLine = 4;
    EXPECT_FALSE(rgbaImage(pixels.data(), shortLines));
    EXPECT_FALSE(rgbaImage(nullptr, layout(32, 0xFF0000, 0xFF00, 0xFF)));
}

} // namespace
} // namespace orvel::linuxdesktop
