// Taking a picture of one window as PNG, for an observation that asks for a screenshot.
//
// The platform answers through completions on its own threads; each wait is bounded with a
// `Slot`, so a capture that hangs costs a few seconds at most and never blocks the worker
// for good. With a screenshot budget the picture is kept within it: fewer pixels from the start,
// and a smaller retake when the PNG still comes out too large. Runs on the calling thread (the
// worker); no state of its own.
#pragma once

#include "OrvelControlCore/Deadline.hpp"
#include "OrvelControlCore/Geometry.hpp"
#include "OrvelControlCore/Json.hpp"
#include "Permissions.hpp"
#include "ScreenshotBudget.hpp"
#include "platform/PrivacyAccess.hpp"
#include "platform/ScreenCapture.hpp"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvel {

struct CaptureResult {
    std::vector<std::uint8_t> png;
    int pixelWidth = 0;
    int pixelHeight = 0;
    Rect windowFrame; // as the capture service reports it
    double scale = 0; // pixelWidth / frame width
    std::chrono::system_clock::time_point capturedAt;
    // Only under a screenshot budget: whether the budget made the picture smaller than it would
    // have been without one.
    std::optional<bool> scaledForTransport;
};

class Capture {
  public:
    // `notGrantedMessage` is the desktop's refusal when windows cannot be captured.
    Capture(platform::ScreenCapture& capture, platform::PrivacyAccess& privacy,
            const Permissions& permissions, std::string notGrantedMessage,
            std::optional<ScreenshotBudget> budget = std::nullopt)
        : capture_(capture), privacy_(privacy), permissions_(permissions),
          notGrantedMessage_(std::move(notGrantedMessage)), budget_(budget) {}

    CaptureResult window(std::uint32_t windowId, const Deadline& deadline, int maxPixels);
    static Json payload(const CaptureResult& result, const std::string& observationId);

    // The capture size in pixels for a frame at a display scale within a pixel budget.
    static std::pair<int, int> targetSize(const Rect& frame, double scale, int maxPixels);

  private:
    struct Picture {
        platform::CapturedImage image;
        std::vector<std::uint8_t> png;
    };

    platform::ShareableWindow shareableWindow(std::uint32_t windowId);
    Picture capturePicture(std::uint32_t windowId, std::pair<int, int> size,
                           const Deadline& deadline);
    bool fitsBudget(const std::vector<std::uint8_t>& png) const;
    double scaleFactor(const Rect& frame);

    platform::ScreenCapture& capture_;
    platform::PrivacyAccess& privacy_;
    const Permissions& permissions_;
    const std::string notGrantedMessage_;
    const std::optional<ScreenshotBudget> budget_;
};

} // namespace orvel
