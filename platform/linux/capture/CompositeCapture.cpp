#include "platform/linux/capture/CompositeCapture.hpp"

#include "platform/linux/capture/PixelLayout.hpp"
#include "platform/linux/capture/SharedMemoryImage.hpp"

#include <X11/Xutil.h>
#include <X11/extensions/Xcomposite.h>

#include <thread>

namespace orvel::linuxdesktop {

namespace {

bool compositeAvailable(Display* display) {
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    return XCompositeQueryExtension(display, &event, &error) != 0 &&
           XCompositeQueryVersion(display, &major, &minor) != 0 && (major > 0 || minor >= 2);
}

PixelLayout layoutOf(const XImage& image, const Visual& visual) {
    PixelLayout layout;
    layout.width = image.width;
    layout.height = image.height;
    layout.bytesPerLine = image.bytes_per_line;
    layout.bitsPerPixel = image.bits_per_pixel;
    layout.mostSignificantFirst = image.byte_order == MSBFirst;
    layout.redMask = static_cast<std::uint32_t>(visual.red_mask);
    layout.greenMask = static_cast<std::uint32_t>(visual.green_mask);
    layout.blueMask = static_cast<std::uint32_t>(visual.blue_mask);
    return layout;
}

} // namespace

CompositeCapture::CompositeCapture(const X11Connection& x, std::chrono::milliseconds firstPaintWait)
    : x_(x), firstPaintWait_(firstPaintWait), available_(compositeAvailable(x.display())),
      sharedMemory_(SharedMemoryImage::offered(x.display())) {}

// Redirection gives the window fresh storage; what was covered is only there once the
// window manager and the application have painted it again.
void CompositeCapture::redirect(Window topLevel, Window client) {
    XCompositeRedirectWindow(x_.display(), topLevel, CompositeRedirectAutomatic);
    XClearArea(x_.display(), topLevel, 0, 0, 0, 0, True);
    if (client != topLevel) {
        XClearArea(x_.display(), client, 0, 0, 0, 0, True);
    }
    XSync(x_.display(), False);
    redirected_.insert(topLevel);
    std::this_thread::sleep_for(firstPaintWait_);
}

std::optional<platform::CapturedImage> CompositeCapture::capture(Window topLevel, Window client,
                                                                 std::string& error) {
    if (!available_) {
        error = "the X server has no Composite extension";
        return std::nullopt;
    }
    XWindowAttributes attributes;
    if (XGetWindowAttributes(x_.display(), topLevel, &attributes) == 0) {
        error = "the window is gone";
        return std::nullopt;
    }
    if (attributes.map_state != IsViewable) {
        error = "the window is not on screen";
        return std::nullopt;
    }
    const bool wasRedirected = redirected_.contains(topLevel);
    if (!wasRedirected) {
        redirect(topLevel, client);
    }
    auto image = readPixmap(topLevel, attributes);
    if (!image.handedOver && wasRedirected) {
        // A window number the server gave out again, or a window unmapped and mapped since:
        // its storage is no longer ours.
        redirected_.erase(topLevel);
        redirect(topLevel, client);
        image = readPixmap(topLevel, attributes);
    }
    if (!image.handedOver) {
        redirected_.erase(topLevel);
        error = whyUnreadable(topLevel);
        return std::nullopt;
    }
    if (!image.rgba) {
        error = "the window's pixel format is not one this program reads";
    }
    return image.rgba;
}

// A window that was on screen a moment ago and whose picture could not be read has most likely
// just been minimised or closed.
std::string CompositeCapture::whyUnreadable(Window topLevel) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(x_.display(), topLevel, &attributes) == 0) {
        return "the window is gone";
    }
    if (attributes.map_state != IsViewable) {
        return "the window is not on screen";
    }
    return "the X server did not hand over the window's picture";
}

// The window's storage at the size it has now (a window manager may be resizing it, as in an
// animation), border included: the frame the window list reports is the outer one.
CompositeCapture::PixmapRead CompositeCapture::readPixmap(Window topLevel,
                                                          const XWindowAttributes& attributes) {
    const Pixmap pixmap = XCompositeNameWindowPixmap(x_.display(), topLevel);
    Window root = 0;
    int x = 0;
    int y = 0;
    unsigned int width = 0;
    unsigned int height = 0;
    unsigned int border = 0;
    unsigned int depth = 0;
    PixmapRead read;
    if (XGetGeometry(x_.display(), pixmap, &root, &x, &y, &width, &height, &border, &depth) != 0) {
        read = readPixels(pixmap, width, height, attributes);
    }
    XFreePixmap(x_.display(), pixmap);
    return read;
}

CompositeCapture::PixmapRead CompositeCapture::readPixels(Pixmap pixmap, unsigned int width,
                                                          unsigned int height,
                                                          const XWindowAttributes& attributes) {
    PixmapRead read;
    bool sharedReadRefused = false;
    if (sharedMemory_) {
        if (!shared_ || !shared_->fits(attributes.visual, attributes.depth, width, height)) {
            shared_.reset();
            shared_ = SharedMemoryImage::create(x_.display(), attributes.visual, attributes.depth,
                                                width, height);
        }
        if (shared_ && shared_->read(pixmap)) {
            const auto& image = shared_->image();
            read.handedOver = true;
            read.rgba = rgbaImage(reinterpret_cast<const std::uint8_t*>(image.data),
                                  layoutOf(image, *attributes.visual));
            return read;
        }
        sharedReadRefused = shared_ != nullptr;
    }
    XImage* image = XGetImage(x_.display(), pixmap, 0, 0, width, height, AllPlanes, ZPixmap);
    if (image == nullptr) {
        return read;
    }
    if (sharedReadRefused) {
        // The pixmap reads over the connection but not through shared memory: the server
        // cannot reach this process's memory, so the connection it is from now on.
        sharedMemory_ = false;
        shared_.reset();
    }
    read.handedOver = true;
    read.rgba = rgbaImage(reinterpret_cast<const std::uint8_t*>(image->data),
                          layoutOf(*image, *attributes.visual));
    XDestroyImage(image);
    return read;
}

} // namespace orvel::linuxdesktop
