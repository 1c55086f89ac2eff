#include "platform/png/PngEncoder.hpp"

#include <png.h>

#include <csetjmp>
#include <limits>

namespace orvel::platform {

namespace {

void appendToBuffer(png_structp png, png_bytep data, png_size_t length) {
    auto* buffer = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    bool appended = true;
    try {
        buffer->insert(buffer->end(), data, data + length);
    } catch (...) {
        appended = false;
    }
    // png_error leaves through longjmp, so nothing with a destructor may be alive here.
    if (!appended) {
        png_error(png, "out of memory");
    }
}

void flushNothing(png_structp) {}

[[noreturn]] void failQuietly(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

bool isWellFormed(const CapturedImage& image) {
    if (image.width <= 0 || image.height <= 0) {
        return false;
    }
    const auto width = static_cast<std::uint64_t>(image.width);
    const auto height = static_cast<std::uint64_t>(image.height);
    if (width > std::numeric_limits<png_uint_32>::max() / 4) {
        return false;
    }
    return image.rgba.size() == width * height * 4;
}

// Writes `rows` as one RGBA image; false when libpng fails. Holds no object with a destructor,
// since libpng reports failures by longjmp.
bool writePng(png_structp png, png_infop info, const CapturedImage& image,
              std::optional<int> compressionLevel, png_bytepp rows,
              std::vector<std::uint8_t>* out) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_write_fn(png, out, appendToBuffer, flushNothing);
    if (compressionLevel) {
        png_set_compression_level(png, *compressionLevel);
    }
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_rows(png, info, rows);
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    return true;
}

} // namespace

std::optional<std::vector<std::uint8_t>> encodePng(const CapturedImage& image,
                                                   std::optional<int> compressionLevel) {
    if (!isWellFormed(image)) {
        return std::nullopt;
    }
    std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
    const auto stride = static_cast<std::size_t>(image.width) * 4;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        rows[row] = const_cast<png_bytep>(image.rgba.data() + row * stride);
    }
    std::vector<std::uint8_t> out;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, failQuietly, ignoreWarning);
    if (!png) {
        return std::nullopt;
    }
    png_infop info = png_create_info_struct(png);
    const bool written = info && writePng(png, info, image, compressionLevel, rows.data(), &out);
    png_destroy_write_struct(&png, info ? &info : nullptr);
    if (!written) {
        return std::nullopt;
    }
    return out;
}

} // namespace orvel::platform
