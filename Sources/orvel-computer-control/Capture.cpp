#include "Capture.hpp"

#include "OrvelControlCore/Failure.hpp"
#include "OrvelControlCore/Hashing.hpp"
#include "OrvelControlCore/Limits.hpp"
#include "OrvelControlCore/Payload.hpp"
#include "Slot.hpp"

#include <algorithm>
#include <cmath>
#include <memory>
#include <variant>

namespace orvel {

namespace {

constexpr double shareableContentSeconds = 5.0;
constexpr double shortestImageWait = 1.0;
constexpr double longestImageWait = 10.0;
constexpr double defaultScale = 2.0;
constexpr std::uint32_t mostDisplays = 8;

using WindowsResult = std::variant<std::vector<platform::ShareableWindow>, platform::CaptureError>;
using ImageResult = std::variant<platform::CapturedImage, platform::CaptureError>;

// Standard Base64 with padding: four characters for every started group of three bytes.
std::size_t base64Length(std::size_t bytes) {
    return (bytes + 2) / 3 * 4;
}

int roundedPixels(double value, int maxPixels) {
    double rounded = std::round(value);
    if (!(rounded >= 1)) {
        return 1;
    }
    return rounded >= maxPixels ? maxPixels : static_cast<int>(rounded);
}

} // namespace

std::pair<int, int> Capture::targetSize(const Rect& frame, double scale, int maxPixels) {
    double pixels = scale * scale * frame.size.width * frame.size.height;
    if (pixels > maxPixels) {
        scale *= std::sqrt(static_cast<double>(maxPixels) / pixels);
    }
    int width = roundedPixels(scale * frame.size.width, maxPixels);
    int height = roundedPixels(scale * frame.size.height, maxPixels);
    // Raising a sliver's short side to one pixel must not let its long side past the budget.
    if (static_cast<long long>(width) * height > maxPixels) {
        (width > height ? width : height) = std::max(1, maxPixels / std::min(width, height));
    }
    return {width, height};
}

CaptureResult Capture::window(std::uint32_t windowId, const Deadline& deadline, int maxPixels) {
    permissions_.ensureUnlocked();
    if (!privacy_.preflightScreenCaptureAccess()) {
        throw Failure("permission_denied", notGrantedMessage_,
                      Json{{"permission", "screenRecording"}});
    }
    deadline.check();
    auto window = shareableWindow(windowId);
    deadline.check();
    Rect frame = window.frame;
    if (!(frame.size.width >= 1) || !(frame.size.height >= 1) || !std::isfinite(frame.size.width) ||
        !std::isfinite(frame.size.height)) {
        throw Failure("target_missing", "Vinduet har ingen synlig flate å ta bilde av.");
    }
    double scale = scaleFactor(frame);
    auto fullSize = targetSize(frame, scale, maxPixels);
    int pixels = budget_ ? std::min(maxPixels, budget_->maxPixels) : maxPixels;
    auto size = targetSize(frame, scale, pixels);
    Picture picture = capturePicture(windowId, size, deadline);
    // PNG size grows about linearly with the pixel count, so one smaller retake usually fits;
    // a few more cover pictures that compress unusually badly.
    constexpr int mostRetakes = 3;
    constexpr double retakeMargin = 0.8;
    for (int retake = 0; !fitsBudget(picture.png); ++retake) {
        std::size_t encoded = base64Length(picture.png.size());
        if (retake == mostRetakes) {
            throw Failure("too_large", "Skjermbildet er for stort til å sendes direkte.",
                          Json{{"bytes", encoded}});
        }
        double shrink = static_cast<double>(budget_->maxBase64Bytes) / encoded * retakeMargin;
        pixels =
            std::max(1, static_cast<int>(static_cast<double>(size.first) * size.second * shrink));
        size = targetSize(frame, scale, pixels);
        deadline.check();
        picture = capturePicture(windowId, size, deadline);
    }
    CaptureResult result;
    result.png = std::move(picture.png);
    result.pixelWidth = picture.image.width;
    result.pixelHeight = picture.image.height;
    result.windowFrame = frame;
    result.scale = static_cast<double>(picture.image.width) / frame.size.width;
    result.capturedAt = std::chrono::system_clock::now();
    if (budget_) {
        result.scaledForTransport = size != fullSize;
    }
    return result;
}

Capture::Picture Capture::capturePicture(std::uint32_t windowId, std::pair<int, int> size,
                                         const Deadline& deadline) {
    platform::StreamConfiguration configuration;
    configuration.width = size.first;
    configuration.height = size.second;

    auto slot = std::make_shared<Slot<ImageResult>>();
    capture_.captureImage(windowId, configuration,
                          [slot](std::optional<platform::CapturedImage> image,
                                 std::optional<platform::CaptureError> error) {
                              if (image) {
                                  slot->settle(std::move(*image));
                              } else {
                                  slot->settle(error.value_or(platform::CaptureError{}));
                              }
                          });
    double wait = std::clamp(deadline.remaining(), shortestImageWait, longestImageWait);
    auto outcome = slot->wait(wait);
    if (!outcome) {
        throw Failure("timeout", "Skjermbildet ble ikke ferdig i tide.");
    }
    if (auto* error = std::get_if<platform::CaptureError>(&*outcome)) {
        throw Failure("capture_unavailable",
                      "Kunne ikke ta bilde av vinduet: " + error->localizedDescription);
    }
    Picture picture{std::move(std::get<platform::CapturedImage>(*outcome)), {}};
    auto png = capture_.encodePNG(picture.image);
    if (!png) {
        throw Failure("capture_unavailable", "Kunne ikke lage PNG av vinduet.");
    }
    picture.png = std::move(*png);
    return picture;
}

bool Capture::fitsBudget(const std::vector<std::uint8_t>& png) const {
    return !budget_ || base64Length(png.size()) <= budget_->maxBase64Bytes;
}

platform::ShareableWindow Capture::shareableWindow(std::uint32_t windowId) {
    auto slot = std::make_shared<Slot<WindowsResult>>();
    capture_.getShareableContent(
        false, false,
        [slot](std::optional<std::vector<platform::ShareableWindow>> windows,
               std::optional<platform::CaptureError> error) {
            if (error) {
                slot->settle(*error);
            } else {
                slot->settle(windows.value_or(std::vector<platform::ShareableWindow>{}));
            }
        });
    auto outcome = slot->wait(shareableContentSeconds);
    if (!outcome) {
        throw Failure("timeout", "Skjermopptak svarte ikke i tide.");
    }
    if (auto* error = std::get_if<platform::CaptureError>(&*outcome)) {
        throw Failure("permission_denied",
                      "Skjermopptak er ikke tilgjengelig for Orvel Rire: " +
                          error->localizedDescription,
                      Json{{"permission", "screenRecording"}});
    }
    for (const auto& window : std::get<std::vector<platform::ShareableWindow>>(*outcome)) {
        if (window.windowId == windowId) {
            return window;
        }
    }
    throw Failure("target_missing", "Vinduet finnes ikke lenger, eller kan ikke tas opp.");
}

double Capture::scaleFactor(const Rect& frame) {
    auto displays = capture_.displaysWithRect(frame, mostDisplays);
    if (displays.status != 0 || displays.displays.empty()) {
        return defaultScale;
    }
    auto mode = capture_.displayMode(displays.displays.front());
    if (!mode || !(mode->width > 0)) {
        return defaultScale;
    }
    return mode->pixelWidth / mode->width;
}

Json Capture::payload(const CaptureResult& result, const std::string& observationId) {
    std::string data = base64(result.png);
    if (data.size() > static_cast<std::size_t>(Limits::imageBytes)) {
        throw Failure("too_large", "Skjermbildet er for stort til å sendes direkte.",
                      Json{{"bytes", data.size()}});
    }
    Json payload{
        {"observationId", observationId},
        {"capturedAt", secondsSince1970(result.capturedAt)},
        {"pixelWidth", result.pixelWidth},
        {"pixelHeight", result.pixelHeight},
        {"scale", result.scale},
        {"windowFrame", rectPayload(result.windowFrame)},
        {"transform",
         {{"pointsToPixels", result.scale},
          {"originX", std::round(result.windowFrame.origin.x)},
          {"originY", std::round(result.windowFrame.origin.y)}}},
        {"bytes", result.png.size()},
        {"mimeType", "image/png"},
        {"data", std::move(data)},
    };
    if (result.scaledForTransport) {
        payload["scaledForTransport"] = *result.scaledForTransport;
    }
    return payload;
}

} // namespace orvel
