#include "platform/linux/x11/X11PrivacyAccess.hpp"

#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>

#include <array>

namespace orvel::linuxdesktop {

namespace {

constexpr int rawEventsMajor = 2;
constexpr int rawEventsMinor = 1;

bool selected(Display* display, Window root, int eventType) {
    int count = 0;
    XIEventMask* masks = XIGetSelectedEvents(display, root, &count);
    bool found = false;
    for (int i = 0; i < count && masks != nullptr; ++i) {
        const auto& mask = masks[i];
        if (mask.deviceid == XIAllMasterDevices && mask.mask_len > eventType / 8 &&
            XIMaskIsSet(mask.mask, eventType)) {
            found = true;
        }
    }
    if (masks != nullptr) {
        XFree(masks);
    }
    return found;
}

} // namespace

X11PrivacyAccess::X11PrivacyAccess(const X11Connection& shared, std::string displayName)
    : shared_(shared), displayName_(std::move(displayName)) {}

std::int32_t X11PrivacyAccess::checkAccess(std::int32_t requestType) {
    if (requestType != platform::hidaccess::listenEvent) {
        return platform::hidaccess::unknown;
    }
    return rawEventsSelectable() ? platform::hidaccess::granted : platform::hidaccess::denied;
}

bool X11PrivacyAccess::requestAccess(std::int32_t requestType) {
    return checkAccess(requestType) == platform::hidaccess::granted;
}

bool X11PrivacyAccess::preflightScreenCaptureAccess() {
    XImage* image = XGetImage(shared_.display(), shared_.root(), 0, 0, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) {
        return false;
    }
    XDestroyImage(image);
    return true;
}

bool X11PrivacyAccess::requestScreenCaptureAccess() {
    return preflightScreenCaptureAccess();
}

// The selection is a request without a reply; reading the selection back proves it held.
bool X11PrivacyAccess::rawEventsSelectable() const {
    auto probe = X11Connection::open(displayName_);
    if (!probe) {
        return false;
    }
    Display* display = probe->display();
    int opcode = 0;
    int event = 0;
    int error = 0;
    if (XQueryExtension(display, "XInputExtension", &opcode, &event, &error) == 0) {
        return false;
    }
    int major = rawEventsMajor;
    int minor = rawEventsMinor;
    if (XIQueryVersion(display, &major, &minor) != Success ||
        major * 100 + minor < rawEventsMajor * 100 + rawEventsMinor) {
        return false;
    }
    std::array<unsigned char, XIMaskLen(XI_LASTEVENT)> bits{};
    XISetMask(bits.data(), XI_RawMotion);
    XISetMask(bits.data(), XI_RawKeyPress);
    XISetMask(bits.data(), XI_RawButtonPress);
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(bits.size()), bits.data()};
    XISelectEvents(display, probe->root(), &mask, 1);
    return selected(display, probe->root(), XI_RawMotion) &&
           selected(display, probe->root(), XI_RawKeyPress) &&
           selected(display, probe->root(), XI_RawButtonPress);
}

} // namespace orvel::linuxdesktop
