#include "platform/sim/SimScreenCapture.hpp"

#include "platform/png/PngEncoder.hpp"
#include "platform/sim/WindowPicture.hpp"
#include "platform/sim/WindowRenderer.hpp"

#include <cmath>
#include <variant>

namespace orvel::sim {

namespace {

// Larger requests are refused instead of allocating gigabytes for one picture.
constexpr double maximumCapturePixels = 50'000'000;

const char* const notPermitted = "The user declined screen recording for this application.";
const char* const windowGone = "The window is no longer available for capture.";
const char* const sizeRefused = "The requested image size is not supported.";

platform::CaptureError captureError(std::string description) {
    return platform::CaptureError{std::move(description)};
}

double displayScale(const World& world, const Rect& frame) {
    for (const auto& display : world.displays) {
        if (display.frame.intersects(frame)) {
            return display.scale;
        }
    }
    return 2.0;
}

struct CaptureJob {
    WindowPicture picture;
    int width = 0;
    int height = 0;
};

// What the window looks like now, at the size asked for; or why it cannot be captured.
std::variant<CaptureJob, platform::CaptureError>
prepareCapture(const World& world, std::uint32_t windowId,
               const platform::StreamConfiguration& configuration) {
    if (!world.permissions.screenRecording) {
        return captureError(notPermitted);
    }
    const auto* window = world.window(windowId);
    if (!window || !window->shareable) {
        return captureError(windowGone);
    }
    if (window->captureError) {
        return captureError(*window->captureError);
    }
    const auto frame = window->frame.standardized();
    const double scale = displayScale(world, frame);
    const double width =
        configuration.width > 0 ? configuration.width : std::round(frame.size.width * scale);
    const double height =
        configuration.height > 0 ? configuration.height : std::round(frame.size.height * scale);
    if (!(width >= 1 && height >= 1 && width * height <= maximumCapturePixels)) {
        return captureError(sizeRefused);
    }
    return CaptureJob{pictureOf(world, *window), static_cast<int>(width), static_cast<int>(height)};
}

} // namespace

void SimScreenCapture::getShareableContent(bool, bool onScreenWindowsOnly,
                                           ContentCompletion completion) {
    core_->completions().start(
        [core = core_, onScreenWindowsOnly, completion = std::move(completion)] {
            const auto latency = core->read(
                [](const DesktopState& state) { return state.world.shareableContentLatency; });
            if (!core->completions().sleepFor(latency)) {
                return;
            }
            auto [windows, error] = core->read([onScreenWindowsOnly](const DesktopState& state) {
                using Result = std::pair<std::optional<std::vector<platform::ShareableWindow>>,
                                         std::optional<platform::CaptureError>>;
                const auto& world = state.world;
                if (!world.permissions.screenRecording) {
                    return Result{std::nullopt, captureError(notPermitted)};
                }
                if (world.shareableContentError) {
                    return Result{std::nullopt, captureError(*world.shareableContentError)};
                }
                std::vector<platform::ShareableWindow> windows;
                for (const auto& window : world.windows()) {
                    if (window.shareable && (!onScreenWindowsOnly || world.isOnScreen(window))) {
                        windows.push_back({window.windowId, window.frame});
                    }
                }
                return Result{std::move(windows), std::nullopt};
            });
            completion(std::move(windows), std::move(error));
        });
}

platform::DisplayList SimScreenCapture::displaysWithRect(const Rect& rect,
                                                         std::uint32_t maxDisplays) {
    return core_->read([&](const DesktopState& state) {
        platform::DisplayList list;
        const auto& displays = state.world.displays;
        for (std::size_t index = 0; index < displays.size() && list.displays.size() < maxDisplays;
             ++index) {
            if (displays[index].frame.intersects(rect)) {
                list.displays.push_back(static_cast<std::uint32_t>(index + 1));
            }
        }
        return list;
    });
}

std::optional<platform::DisplayMode> SimScreenCapture::displayMode(std::uint32_t display) {
    return core_->read(
        [display](const DesktopState& state) -> std::optional<platform::DisplayMode> {
            const auto& displays = state.world.displays;
            if (display == 0 || display > displays.size()) {
                return std::nullopt;
            }
            const auto& chosen = displays[display - 1];
            const double width = chosen.frame.standardized().size.width;
            return platform::DisplayMode{width, width * chosen.scale};
        });
}

void SimScreenCapture::captureImage(std::uint32_t windowId,
                                    const platform::StreamConfiguration& configuration,
                                    ImageCompletion completion) {
    core_->completions().start(
        [core = core_, windowId, configuration, completion = std::move(completion)] {
            const auto latency = core->read([windowId](const DesktopState& state) {
                const auto* window = state.world.window(windowId);
                return window ? window->captureLatency : 0.0;
            });
            if (!core->completions().sleepFor(latency)) {
                return;
            }
            auto prepared = core->read([&](const DesktopState& state) {
                return prepareCapture(state.world, windowId, configuration);
            });
            if (auto* error = std::get_if<platform::CaptureError>(&prepared)) {
                completion(std::nullopt, std::move(*error));
                return;
            }
            const auto& job = std::get<CaptureJob>(prepared);
            completion(renderWindow(job.picture, job.width, job.height), std::nullopt);
        });
}

std::optional<std::vector<std::uint8_t>>
SimScreenCapture::encodePNG(const platform::CapturedImage& image) {
    return platform::encodePng(image);
}

} // namespace orvel::sim
