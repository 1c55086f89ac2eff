// Resampling captures to the requested size: equal sizes copy, shrinking averages what each
// output pixel covers, enlarging repeats, and a uniform image stays uniform at any ratio.
#include "platform/linux/capture/ImageScaling.hpp"

#include <gtest/gtest.h>

namespace orvel::linuxdesktop {
namespace {

platform::CapturedImage image(int width, int height, std::vector<std::uint8_t> grey) {
    platform::CapturedImage result;
    result.width = width;
    result.height = height;
    for (auto value : grey) {
        result.rgba.insert(result.rgba.end(), {value, value, value, 255});
    }
    return result;
}

std::vector<std::uint8_t> greys(const platform::CapturedImage& picture) {
    std::vector<std::uint8_t> values;
    for (std::size_t i = 0; i < picture.rgba.size(); i += 4) {
        values.push_back(picture.rgba[i]);
    }
    return values;
}

TEST(ImageScaling, CopiesAnImageOfTheRequestedSize) {
    const auto original = image(2, 2, {1, 2, 3, 4});
    EXPECT_EQ(scaledImage(original, 2, 2).rgba, original.rgba);
}

TEST(ImageScaling, HalvingAveragesEachBlock) {
    const auto original = image(4, 2, {0, 100, 200, 200, 100, 200, 0, 200});
    const auto half = scaledImage(original, 2, 1);
    EXPECT_EQ(half.width, 2);
    EXPECT_EQ(half.height, 1);
    EXPECT_EQ(greys(half), (std::vector<std::uint8_t>{100, 150}));
}

TEST(ImageScaling, DoublingRepeatsEachPixel) {
    const auto doubled = scaledImage(image(2, 1, {10, 250}), 4, 2);
    EXPECT_EQ(greys(doubled), (std::vector<std::uint8_t>{10, 10, 250, 250, 10, 10, 250, 250}));
}

TEST(ImageScaling, KeepsAUniformImageUniformAtAnyRatio) {
    const auto uniform = image(7, 5, std::vector<std::uint8_t>(35, 123));
    for (auto [width, height] : {std::pair{3, 2}, std::pair{11, 9}, std::pair{1, 1}}) {
        const auto scaled = scaledImage(uniform, width, height);
        ASSERT_EQ(scaled.rgba.size(), static_cast<std::size_t>(width * height * 4));
        for (auto value : greys(scaled)) {
            EXPECT_EQ(value, 123);
        }
    }
}

TEST(ImageScaling, NeverGoesBelowOnePixel) {
    const auto scaled = scaledImage(image(2, 2, {1, 2, 3, 4}), 0, -3);
    EXPECT_EQ(scaled.width, 1);
    EXPECT_EQ(scaled.height, 1);
}

} // namespace
} // namespace orvel::linuxdesktop
