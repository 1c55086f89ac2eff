// The screen's windows for the accessibility service, read on an X connection of their own
// (request-only, so any thread may use it): the stacking order with pop-ups (ScreenStacking)
// and activation through the window manager (WindowActivation).
#pragma once

#include "platform/linux/ScreenWindows.hpp"
#include "platform/linux/x11/X11Connection.hpp"

#include <memory>
#include <string>

namespace orvel::linuxdesktop {

class X11ScreenWindows final : public ScreenWindows {
  public:
    // Null when the display cannot be opened.
    static std::unique_ptr<X11ScreenWindows> open(const std::string& displayName);

    std::optional<ScreenWindow> topmostAt(Point point) override;
    std::vector<ScreenWindow> windowsOf(std::int32_t pid) override;
    bool raise(std::uint32_t windowId, std::chrono::milliseconds bound) override;

  private:
    explicit X11ScreenWindows(std::unique_ptr<X11Connection> x) : x_(std::move(x)) {}

    std::unique_ptr<X11Connection> x_;
};

} // namespace orvel::linuxdesktop
