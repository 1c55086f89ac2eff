#include "platform/linux/capture/CompositeCapture.hpp"

#include "platform/linux/capture/PixelLayout.hpp"

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
    : x_(x), firstPaintWait_(firstPaintWait), available_(compositeAvailable(x.display())) {}

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
    XImage* image = readPixmap(topLevel, attributes);
    if (image == nullptr && wasRedirected) {
        // A window number the server gave out again, or a window unmapped and mapped since:
        // its storage is no longer ours.
        redirected_.erase(topLevel);
        redirect(topLevel, client);
        image = readPixmap(topLevel, attributes);
    }
    if (image == nullptr) {
        redirected_.erase(topLevel);
        error = "the X server did not hand over the window's picture";
        return std::nullopt;
    }
    auto rgba = rgbaImage(reinterpret_cast<const std::uint8_t*>(image->data),
                          layoutOf(*image, *attributes.visual));
    XDestroyImage(image);
    if (!rgba) {
        error = "the window's pixel format is not one this program reads";
    }
    return rgba;
}

// The window's storage, border included (the frame the window list reports is the outer one).
XImage* CompositeCapture::readPixmap(Window topLevel, const XWindowAttributes& attributes) {
    const Pixmap pixmap = XCompositeNameWindowPixmap(x_.display(), topLevel);
    const auto border = static_cast<unsigned int>(2 * attributes.border_width);
    XImage* image =
        XGetImage(x_.display(), pixmap, 0, 0, static_cast<unsigned int>(attributes.width) + border,
                  static_cast<unsigned int>(attributes.height) + border, AllPlanes, ZPixmap);
    XFreePixmap(x_.display(), pixmap);
    return image;
}

} // namespace orvel::linuxdesktop
