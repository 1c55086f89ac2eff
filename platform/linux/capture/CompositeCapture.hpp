// Reading one top-level window's picture through the Composite extension: the window is
// redirected to off-screen storage (automatic redirection, which leaves the screen as it is),
// so that its pixmap holds the whole window even where other windows cover it. A plain read of
// the window would give black there.
//
// A window stays redirected once it has been captured, so that later captures are current
// without waiting; the first capture asks the window and its application to repaint and gives
// them a short, bounded moment to do so. Belongs to the thread that owns its connection.
#pragma once

#include "platform/ScreenCapture.hpp"
#include "platform/linux/x11/X11Connection.hpp"

#include <X11/Xutil.h>

#include <chrono>
#include <optional>
#include <set>
#include <string>

namespace orvel::linuxdesktop {

class CompositeCapture {
  public:
    // `x` is a connection of the capturing thread's own.
    CompositeCapture(const X11Connection& x, std::chrono::milliseconds firstPaintWait);

    // True when the server offers Composite 0.2 or later (window pixmaps).
    bool available() const { return available_; }

    // The picture of `topLevel` with its `client` window inside; absent with `error` set to
    // what went wrong (gone, not on screen, unreadable).
    std::optional<platform::CapturedImage> capture(Window topLevel, Window client,
                                                   std::string& error);

  private:
    void redirect(Window topLevel, Window client);
    XImage* readPixmap(Window topLevel);
    std::string whyUnreadable(Window topLevel);

    const X11Connection& x_;
    std::chrono::milliseconds firstPaintWait_;
    bool available_ = false;
    std::set<Window> redirected_;
};

} // namespace orvel::linuxdesktop
