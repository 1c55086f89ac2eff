#include "linux/support/PngImage.hpp"

#include <openssl/evp.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>

namespace orvel::testing {

namespace {

std::optional<std::vector<std::uint8_t>> decodedBase64(const std::string& text) {
    if (text.empty() || text.size() % 4 != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(text.size() / 4 * 3);
    const int written =
        EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(text.data()),
                        static_cast<int>(text.size()));
    if (written < 0) {
        return std::nullopt;
    }
    // EVP_DecodeBlock counts the padding's bytes too.
    const auto padding = static_cast<std::size_t>(std::count(text.end() - 2, text.end(), '='));
    bytes.resize(static_cast<std::size_t>(written) - padding);
    return bytes;
}

bool near(std::uint8_t a, std::uint8_t b) {
    return std::abs(int(a) - int(b)) <= 6;
}

} // namespace

std::optional<PngImage> PngImage::fromBase64(const std::string& text) {
    auto bytes = decodedBase64(text);
    if (!bytes) {
        return std::nullopt;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, bytes->data(), bytes->size()) == 0) {
        return std::nullopt;
    }
    image.format = PNG_FORMAT_RGBA;
    PngImage decoded;
    decoded.width = static_cast<int>(image.width);
    decoded.height = static_cast<int>(image.height);
    decoded.rgba.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, decoded.rgba.data(), 0, nullptr) == 0) {
        png_image_free(&image);
        return std::nullopt;
    }
    return decoded;
}

double PngImage::shareInColour(const Rect& area, const Rgb& colour) const {
    const int left = std::max(0, static_cast<int>(area.origin.x));
    const int top = std::max(0, static_cast<int>(area.origin.y));
    const int right = std::min(width, static_cast<int>(area.origin.x + area.size.width));
    const int bottom = std::min(height, static_cast<int>(area.origin.y + area.size.height));
    if (right <= left || bottom <= top) {
        return 0.0;
    }
    int matching = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            const auto* pixel = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
            matching += near(pixel[0], colour.red) && near(pixel[1], colour.green) &&
                        near(pixel[2], colour.blue);
        }
    }
    return double(matching) / double((right - left) * (bottom - top));
}

} // namespace orvel::testing
