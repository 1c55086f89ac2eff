#include "platform/linux/capture/ImageScaling.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace orvel::linuxdesktop {

namespace {

// For one axis: which input pixels each output pixel covers, and by how much.
struct Span {
    int first = 0;
    std::vector<double> weights;
};

std::vector<Span> spans(int from, int to) {
    std::vector<Span> result(static_cast<std::size_t>(to));
    const double step = static_cast<double>(from) / to;
    for (int out = 0; out < to; ++out) {
        const double start = out * step;
        const double end = std::min<double>(from, start + step);
        auto& span = result[static_cast<std::size_t>(out)];
        span.first = static_cast<int>(std::floor(start));
        const int last = std::min(from - 1, static_cast<int>(std::ceil(end)) - 1);
        double total = 0;
        for (int in = span.first; in <= last; ++in) {
            const double covered = std::min<double>(end, in + 1) - std::max<double>(start, in);
            span.weights.push_back(std::max(0.0, covered));
            total += span.weights.back();
        }
        for (auto& weight : span.weights) {
            weight /= total;
        }
    }
    return result;
}

} // namespace

platform::CapturedImage scaledImage(const platform::CapturedImage& image, int width, int height) {
    width = std::max(1, width);
    height = std::max(1, height);
    if (width == image.width && height == image.height) {
        return image;
    }
    const auto columns = spans(image.width, width);
    const auto rows = spans(image.height, height);
    // Horizontal pass into doubles, then the vertical pass into bytes.
    std::vector<double> wide(static_cast<std::size_t>(width) * image.height * 4);
    for (int y = 0; y < image.height; ++y) {
        const auto* line = image.rgba.data() + static_cast<std::size_t>(y) * image.width * 4;
        for (int x = 0; x < width; ++x) {
            const auto& span = columns[static_cast<std::size_t>(x)];
            double sum[4] = {0, 0, 0, 0};
            for (std::size_t i = 0; i < span.weights.size(); ++i) {
                const auto* pixel = line + (static_cast<std::size_t>(span.first) + i) * 4;
                for (int c = 0; c < 4; ++c) {
                    sum[c] += pixel[c] * span.weights[i];
                }
            }
            auto* target = wide.data() + (static_cast<std::size_t>(y) * width + x) * 4;
            std::copy(sum, sum + 4, target);
        }
    }
    platform::CapturedImage result;
    result.width = width;
    result.height = height;
    result.rgba.resize(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        const auto& span = rows[static_cast<std::size_t>(y)];
        for (int x = 0; x < width; ++x) {
            double sum[4] = {0, 0, 0, 0};
            for (std::size_t i = 0; i < span.weights.size(); ++i) {
                const auto* pixel =
                    wide.data() + ((static_cast<std::size_t>(span.first) + i) * width + x) * 4;
                for (int c = 0; c < 4; ++c) {
                    sum[c] += pixel[c] * span.weights[i];
                }
            }
            auto* target = result.rgba.data() + (static_cast<std::size_t>(y) * width + x) * 4;
            for (int c = 0; c < 4; ++c) {
                target[c] = static_cast<std::uint8_t>(std::clamp(std::lround(sum[c]), 0L, 255L));
            }
        }
    }
    return result;
}

} // namespace orvel::linuxdesktop
