#include "platform/sim/Canvas.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace orvel::sim {

namespace {

// The pixel index range [first, last) that the span [start, start + length) covers.
std::pair<int, int> pixelSpan(double start, double length, int limit) {
    if (!std::isfinite(start) || !std::isfinite(length) || length <= 0) {
        return {0, 0};
    }
    const double first = std::clamp(std::floor(start), 0.0, static_cast<double>(limit));
    const double last = std::clamp(std::ceil(start + length), 0.0, static_cast<double>(limit));
    return {static_cast<int>(first), static_cast<int>(last)};
}

} // namespace

Canvas::Canvas(int width, int height, Colour background) {
    image_.width = std::max(width, 0);
    image_.height = std::max(height, 0);
    image_.rgba.resize(static_cast<std::size_t>(image_.width) *
                       static_cast<std::size_t>(image_.height) * 4);
    fill(0, 0, image_.width, image_.height, background);
}

void Canvas::fill(double x, double y, double width, double height, Colour colour) {
    const auto [left, right] = pixelSpan(x, width, image_.width);
    const auto [top, bottom] = pixelSpan(y, height, image_.height);
    if (left >= right || top >= bottom) {
        return;
    }
    // One row of the colour, copied into every row the rectangle covers.
    std::vector<std::uint8_t> run(static_cast<std::size_t>(right - left) * 4);
    for (std::size_t offset = 0; offset < run.size(); offset += 4) {
        run[offset] = colour.red;
        run[offset + 1] = colour.green;
        run[offset + 2] = colour.blue;
        run[offset + 3] = 255;
    }
    for (int row = top; row < bottom; ++row) {
        std::memcpy(pixelAddress(left, row), run.data(), run.size());
    }
}

void Canvas::outline(double x, double y, double width, double height, double thickness,
                     Colour colour) {
    const double edge = std::min({thickness, width / 2, height / 2});
    if (!(edge > 0)) {
        return;
    }
    fill(x, y, width, edge, colour);
    fill(x, y + height - edge, width, edge, colour);
    fill(x, y, edge, height, colour);
    fill(x + width - edge, y, edge, height, colour);
}

void Canvas::fillCircle(double centreX, double centreY, double radius, Colour colour) {
    const auto [left, right] = pixelSpan(centreX - radius, 2 * radius, image_.width);
    const auto [top, bottom] = pixelSpan(centreY - radius, 2 * radius, image_.height);
    for (int row = top; row < bottom; ++row) {
        for (int column = left; column < right; ++column) {
            const double dx = column + 0.5 - centreX;
            const double dy = row + 0.5 - centreY;
            if (dx * dx + dy * dy <= radius * radius) {
                setPixel(column, row, colour);
            }
        }
    }
}

platform::CapturedImage Canvas::take() && {
    return std::move(image_);
}

void Canvas::setPixel(int x, int y, Colour colour) {
    auto* pixel = pixelAddress(x, y);
    pixel[0] = colour.red;
    pixel[1] = colour.green;
    pixel[2] = colour.blue;
    pixel[3] = 255;
}

std::uint8_t* Canvas::pixelAddress(int x, int y) {
    const auto index = static_cast<std::size_t>(y) * static_cast<std::size_t>(image_.width) +
                       static_cast<std::size_t>(x);
    return image_.rgba.data() + index * 4;
}

} // namespace orvel::sim
