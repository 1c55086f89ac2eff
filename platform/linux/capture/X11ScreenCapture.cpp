#include "platform/linux/capture/X11ScreenCapture.hpp"

#include "platform/linux/capture/ImageScaling.hpp"
#include "platform/linux/capture/RandrDisplays.hpp"
#include "platform/linux/x11/WindowList.hpp"
#include "platform/png/PngEncoder.hpp"

#include <algorithm>

namespace orvel::linuxdesktop {

namespace {

using namespace std::chrono_literals;

// Long enough for a toolkit to repaint a window after an exposure (a frame or two), short
// enough to keep the first capture of a window quick.
constexpr auto firstPaintWait = 120ms;

// Most of the size a higher level would win costs several times the time on a full screen.
constexpr int pngCompressionLevel = 1;

bool overlaps(const Rect& a, const Rect& b) {
    const auto first = a.standardized();
    const auto second = b.standardized();
    const double left = std::max(first.origin.x, second.origin.x);
    const double right =
        std::min(first.origin.x + first.size.width, second.origin.x + second.size.width);
    const double top = std::max(first.origin.y, second.origin.y);
    const double bottom =
        std::min(first.origin.y + first.size.height, second.origin.y + second.size.height);
    return right > left && bottom > top;
}

} // namespace

std::unique_ptr<X11ScreenCapture> X11ScreenCapture::open(const std::string& displayName,
                                                         const X11Connection& shared) {
    auto own = X11Connection::open(displayName);
    if (!own) {
        return nullptr;
    }
    return std::unique_ptr<X11ScreenCapture>(new X11ScreenCapture(std::move(own), shared));
}

X11ScreenCapture::X11ScreenCapture(std::unique_ptr<X11Connection> own, const X11Connection& shared)
    : shared_(shared), own_(std::move(own)), composite_(*own_, firstPaintWait) {}

void X11ScreenCapture::getShareableContent(bool excludingDesktopWindows, bool onScreenOnlyWindows,
                                           ContentCompletion completion) {
    thread_.post(
        [this, excludingDesktopWindows, onScreenOnlyWindows, completion = std::move(completion)] {
            std::vector<platform::ShareableWindow> windows;
            for (const auto& window : applicationWindows(*own_, onScreenOnlyWindows)) {
                if (excludingDesktopWindows && window.kind == WindowKind::desktop) {
                    continue;
                }
                windows.push_back(platform::ShareableWindow{window.windowId, window.frame});
            }
            completion(std::move(windows), std::nullopt);
        });
}

platform::DisplayList X11ScreenCapture::displaysWithRect(const Rect& rect,
                                                         std::uint32_t maxDisplays) {
    platform::DisplayList list;
    for (const auto& monitor : monitors(shared_)) {
        if (list.displays.size() >= maxDisplays) {
            break;
        }
        if (overlaps(monitor.frame, rect)) {
            list.displays.push_back(monitor.id);
        }
    }
    return list;
}

std::optional<platform::DisplayMode> X11ScreenCapture::displayMode(std::uint32_t display) {
    for (const auto& monitor : monitors(shared_)) {
        if (monitor.id == display) {
            return platform::DisplayMode{monitor.frame.size.width, monitor.frame.size.width};
        }
    }
    return std::nullopt;
}

void X11ScreenCapture::captureImage(std::uint32_t windowId,
                                    const platform::StreamConfiguration& configuration,
                                    ImageCompletion completion) {
    thread_.post([this, windowId, configuration, completion = std::move(completion)] {
        capture(windowId, configuration, completion);
    });
}

void X11ScreenCapture::capture(std::uint32_t windowId,
                               const platform::StreamConfiguration& configuration,
                               const ImageCompletion& completion) {
    const auto topLevel = topLevelOf(*own_, windowId);
    if (!topLevel) {
        completion(std::nullopt, platform::CaptureError{"the window is gone"});
        return;
    }
    std::string error;
    auto image = composite_.capture(*topLevel, windowId, error);
    if (!image) {
        completion(std::nullopt, platform::CaptureError{error});
        return;
    }
    completion(scaledImage(*image, configuration.width, configuration.height), std::nullopt);
}

std::optional<std::vector<std::uint8_t>>
X11ScreenCapture::encodePNG(const platform::CapturedImage& image) {
    return platform::encodePng(image, pngCompressionLevel);
}

} // namespace orvel::linuxdesktop
