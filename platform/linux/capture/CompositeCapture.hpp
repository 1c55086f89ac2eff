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
#include "platform/linux/capture/SharedMemoryImage.hpp"
#include "platform/linux/x11/X11Connection.hpp"

#include <X11/Xutil.h>

#include <chrono>
#include <memory>
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
    struct PixmapRead {
        // The server handed the pixels over.
        bool handedOver = false;
        // They are in a format this program reads.
        std::optional<platform::CapturedImage> rgba;
    };

    void redirect(Window topLevel, Window client);
    PixmapRead readPixmap(Window topLevel, const XWindowAttributes& attributes);
    PixmapRead readPixels(Pixmap pixmap, unsigned int width, unsigned int height,
                          const XWindowAttributes& attributes);
    std::string whyUnreadable(Window topLevel);

    const X11Connection& x_;
    std::chrono::milliseconds firstPaintWait_;
    bool available_ = false;
    // Reads go through shared memory until the server refuses it once; the segment is kept
    // for the next capture of the same size, which spares both sides setting it up again.
    bool sharedMemory_ = false;
    std::unique_ptr<SharedMemoryImage> shared_;
    std::set<Window> redirected_;
};

} // namespace orvel::linuxdesktop
