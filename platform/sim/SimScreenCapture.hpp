// The screen-capture services of the simulated desktop: shareable windows, displays and their
// modes, window captures painted from the window's tree, and PNG encoding.
//
// Completions run on threads of the desktop's own (`CompletionThreads`), after the latency
// the scenario gives (`shareableContentLatency`, a window's `captureLatency`), and fail with
// the scenario's error texts or when Screen Recording is not granted. A completion still
// waiting when the desktop shuts down is never called. The threads share ownership of the
// desktop core they read. Safe to call from any thread.
#pragma once

#include "platform/ScreenCapture.hpp"
#include "platform/sim/DesktopCore.hpp"

#include <memory>

namespace orvel::sim {

class SimScreenCapture final : public platform::ScreenCapture {
  public:
    explicit SimScreenCapture(std::shared_ptr<DesktopCore> core) : core_(std::move(core)) {}

    void getShareableContent(bool excludingDesktopWindows, bool onScreenWindowsOnly,
                             ContentCompletion completion) override;
    platform::DisplayList displaysWithRect(const Rect& rect, std::uint32_t maxDisplays) override;
    std::optional<platform::DisplayMode> displayMode(std::uint32_t display) override;
    void captureImage(std::uint32_t windowId, const platform::StreamConfiguration& configuration,
                      ImageCompletion completion) override;
    std::optional<std::vector<std::uint8_t>>
    encodePNG(const platform::CapturedImage& image) override;

  private:
    std::shared_ptr<DesktopCore> core_;
};

} // namespace orvel::sim
