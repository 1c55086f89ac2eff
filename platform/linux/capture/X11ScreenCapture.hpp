// The screen-capture services of the X11 desktop: the application windows as shareable
// content, RandR monitors as displays at scale 1, Composite captures scaled to the requested
// size, and PNG encoding.
//
// Both asynchronous operations complete on the service's own thread, which owns a connection
// of its own. The display queries use the shared request-only connection from any thread.
#pragma once

#include "platform/ScreenCapture.hpp"
#include "platform/linux/capture/CaptureThread.hpp"
#include "platform/linux/capture/CompositeCapture.hpp"
#include "platform/linux/x11/X11Connection.hpp"

#include <memory>
#include <string>

namespace orvel::linuxdesktop {

class X11ScreenCapture final : public platform::ScreenCapture {
  public:
    // Null when the capture thread's connection cannot be opened.
    static std::unique_ptr<X11ScreenCapture> open(const std::string& displayName,
                                                  const X11Connection& shared);

    void getShareableContent(bool excludingDesktopWindows, bool onScreenOnlyWindows,
                             ContentCompletion completion) override;
    platform::DisplayList displaysWithRect(const Rect& rect, std::uint32_t maxDisplays) override;
    std::optional<platform::DisplayMode> displayMode(std::uint32_t display) override;
    void captureImage(std::uint32_t windowId, const platform::StreamConfiguration& configuration,
                      ImageCompletion completion) override;
    std::optional<std::vector<std::uint8_t>>
    encodePNG(const platform::CapturedImage& image) override;

  private:
    X11ScreenCapture(std::unique_ptr<X11Connection> own, const X11Connection& shared);
    void capture(std::uint32_t windowId, const platform::StreamConfiguration& configuration,
                 const ImageCompletion& completion);

    const X11Connection& shared_;
    std::unique_ptr<X11Connection> own_;
    CompositeCapture composite_; // on the thread only
    CaptureThread thread_;
};

} // namespace orvel::linuxdesktop
