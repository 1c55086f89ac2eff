// The screen-capture services: shareable windows, display modes, capturing one window as an
// image and encoding it as PNG.
//
// The two asynchronous operations call their completion exactly once, on a thread of the
// service's own (never the caller's), possibly long after the caller has stopped waiting or
// never at all when the platform hangs; completions must therefore own what they touch.
#pragma once

#include "OrvelControlCore/Geometry.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orvel::platform {

// SCWindow windowID and frame (points, global screen coordinates).
struct ShareableWindow {
    std::uint32_t windowId = 0;
    Rect frame;
};

// The current display mode's width in points and in pixels.
struct DisplayMode {
    double width = 0;
    double pixelWidth = 0;
};

// SCStreamConfiguration.
struct StreamConfiguration {
    int width = 0;
    int height = 0;
    bool showsCursor = false;
    bool scalesToFit = true;
    bool ignoreShadowsSingleWindow = true;
    int captureResolution = 1; // best
};

// A captured image: 8-bit RGBA, row-major, `width * height * 4` bytes.
struct CapturedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

// An error as the platform describes it.
struct CaptureError {
    std::string localizedDescription;
};

struct DisplayList {
    std::int32_t status = 0; // 0 success
    std::vector<std::uint32_t> displays;
};

class ScreenCapture {
  public:
    using ContentCompletion = std::function<void(
        std::optional<std::vector<ShareableWindow>> windows, std::optional<CaptureError> error)>;
    using ImageCompletion =
        std::function<void(std::optional<CapturedImage> image, std::optional<CaptureError> error)>;

    virtual ~ScreenCapture() = default;

    // SCShareableContent getShareableContentExcludingDesktopWindows:onScreenWindowsOnly:.
    virtual void getShareableContent(bool excludingDesktopWindows, bool onScreenWindowsOnly,
                                     ContentCompletion completion) = 0;

    // CGGetDisplaysWithRect, at most `maxDisplays`.
    virtual DisplayList displaysWithRect(const Rect& rect, std::uint32_t maxDisplays) = 0;

    // CGDisplayCopyDisplayMode with its width and pixel width; absent without a mode.
    virtual std::optional<DisplayMode> displayMode(std::uint32_t display) = 0;

    // SCScreenshotManager captureImageWithFilter:configuration: with a filter for the window
    // alone, independent of the desktop.
    virtual void captureImage(std::uint32_t windowId, const StreamConfiguration& configuration,
                              ImageCompletion completion) = 0;

    // PNG encoding of an image; absent when it fails.
    virtual std::optional<std::vector<std::uint8_t>> encodePNG(const CapturedImage& image) = 0;
};

} // namespace orvel::platform
