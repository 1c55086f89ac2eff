#include "platform/linux/input/RawInputTap.hpp"

#include "platform/linux/x11/XlibHandlers.hpp"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <array>

namespace orvel::linuxdesktop {

namespace {

namespace eventtype = platform::eventtype;

bool isWheel(std::uint32_t button) {
    return button >= 4 && button <= 7;
}

// The event type the program's listener knows for a raw event; 0 for a wheel button's release,
// which has no counterpart.
std::uint32_t typeOf(RawKind kind, std::uint32_t detail) {
    switch (kind) {
    case RawKind::motion:
        return eventtype::mouseMoved;
    case RawKind::keyPress:
        return eventtype::keyDown;
    case RawKind::keyRelease:
        return eventtype::keyUp;
    case RawKind::buttonPress:
        if (isWheel(detail)) {
            return eventtype::scrollWheel;
        }
        return detail == 1   ? eventtype::leftMouseDown
               : detail == 3 ? eventtype::rightMouseDown
                             : eventtype::otherMouseDown;
    case RawKind::buttonRelease:
        if (isWheel(detail)) {
            return 0;
        }
        return detail == 1   ? eventtype::leftMouseUp
               : detail == 3 ? eventtype::rightMouseUp
                             : eventtype::otherMouseUp;
    }
    return 0;
}

std::optional<RawKind> kindOf(int evtype) {
    switch (evtype) {
    case XI_RawMotion:
        return RawKind::motion;
    case XI_RawKeyPress:
        return RawKind::keyPress;
    case XI_RawKeyRelease:
        return RawKind::keyRelease;
    case XI_RawButtonPress:
        return RawKind::buttonPress;
    case XI_RawButtonRelease:
        return RawKind::buttonRelease;
    default:
        return std::nullopt;
    }
}

bool selectEvents(Display* display, int deviceid, const std::vector<int>& types) {
    std::array<unsigned char, XIMaskLen(XI_LASTEVENT)> bits{};
    for (const int type : types) {
        XISetMask(bits.data(), type);
    }
    XIEventMask mask{deviceid, static_cast<int>(bits.size()), bits.data()};
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
    // The selection has no reply of its own: reading it back says whether the server took it.
    int count = 0;
    XIEventMask* held = XIGetSelectedEvents(display, DefaultRootWindow(display), &count);
    bool matches = types.empty();
    for (int i = 0; held != nullptr && i < count; ++i) {
        if (held[i].deviceid == deviceid) {
            matches = !types.empty() && XIMaskIsSet(held[i].mask, types.front());
        }
    }
    if (held != nullptr) {
        XFree(held);
    }
    return matches;
}

} // namespace

std::unique_ptr<RawInputTap> RawInputTap::open(const std::string& displayName,
                                               PostedEventBook& book, std::uint64_t interest,
                                               platform::EventSystem::TapCallback callback) {
    prepareXlib();
    Display* display = XOpenDisplay(displayName.c_str());
    if (display == nullptr) {
        return nullptr;
    }
    int opcode = 0;
    int eventBase = 0;
    int errorBase = 0;
    int major = 2;
    int minor = 2;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &eventBase, &errorBase) ||
        XIQueryVersion(display, &major, &minor) != Success || major < 2 ||
        !selectEvents(display, XIAllDevices, {XI_HierarchyChanged})) {
        XCloseDisplay(display);
        return nullptr;
    }
    return std::unique_ptr<RawInputTap>(
        new RawInputTap(display, opcode, book, interest, std::move(callback)));
}

RawInputTap::RawInputTap(Display* display, int opcode, PostedEventBook& book,
                         std::uint64_t interest, platform::EventSystem::TapCallback callback)
    : display_(display), opcode_(opcode), book_(book), interest_(interest),
      callback_(std::move(callback)) {}

RawInputTap::~RawInputTap() {
    book_.setListening(false);
    detach();
    XCloseDisplay(display_);
}

bool RawInputTap::attach(LinuxMainLoop& loop) {
    if (loop_ != nullptr) {
        return true;
    }
    if (!loop.watchDisplay(display_, [this](XEvent& event) { handle(event); })) {
        return false;
    }
    loop_ = &loop;
    return true;
}

void RawInputTap::detach() {
    if (loop_ != nullptr) {
        loop_->unwatchDisplay(display_);
        loop_ = nullptr;
    }
}

bool RawInputTap::enable(bool on) {
    // Booking starts before the selection, so that no event of the program's arrives unbooked.
    book_.setListening(on);
    const bool selected = selectRaw(on);
    enabled_.store(on && selected);
    if (!enabled_.load()) {
        book_.setListening(false);
    }
    return selected;
}

bool RawInputTap::selectRaw(bool on) {
    std::vector<int> types;
    if (on) {
        types = {XI_RawMotion, XI_RawKeyPress, XI_RawKeyRelease, XI_RawButtonPress,
                 XI_RawButtonRelease};
    }
    return selectEvents(display_, XIAllMasterDevices, types);
}

std::size_t RawInputTap::settle() {
    XSync(display_, False);
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        handle(event);
    }
    return book_.pending();
}

void RawInputTap::handle(XEvent& event) {
    XGenericEventCookie* cookie = &event.xcookie;
    if (cookie->type != GenericEvent || cookie->extension != opcode_ ||
        !XGetEventData(display_, cookie)) {
        return;
    }
    if (cookie->evtype == XI_HierarchyChanged) {
        xtestDevices_.clear();
    } else if (kindOf(cookie->evtype)) {
        const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
        judge(cookie->evtype, raw->sourceid, static_cast<std::uint32_t>(raw->detail));
    }
    XFreeEventData(display_, cookie);
}

void RawInputTap::judge(int evtype, int sourceid, std::uint32_t detail) {
    const RawKind kind = *kindOf(evtype);
    const std::uint32_t matchedDetail = kind == RawKind::motion ? 0 : detail;
    std::int64_t signature = 0;
    if (isXTestDevice(sourceid)) {
        signature = book_.match(kind, matchedDetail).value_or(0);
    }
    const std::uint32_t type = typeOf(kind, matchedDetail);
    if (type == 0 || loop_ == nullptr || !enabled_.load() ||
        (interest_ & (std::uint64_t{1} << type)) == 0) {
        return;
    }
    platform::Event judged;
    judged.type = type;
    judged.keyCode = static_cast<std::uint16_t>(
        kind == RawKind::keyPress || kind == RawKind::keyRelease ? detail : 0);
    judged.mouseButton =
        kind == RawKind::buttonPress || kind == RawKind::buttonRelease ? detail : 0;
    judged.setIntegerValueField(platform::eventfield::eventSourceUserData, signature);
    callback_(type, judged);
}

bool RawInputTap::isXTestDevice(int deviceid) {
    if (auto known = xtestDevices_.find(deviceid); known != xtestDevices_.end()) {
        return known->second;
    }
    const Atom property = XInternAtom(display_, "XTEST Device", True);
    bool xtest = false;
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (property != None &&
        XIGetProperty(display_, deviceid, property, 0, 1, False, AnyPropertyType, &type, &format,
                      &items, &after, &data) == Success &&
        data != nullptr) {
        xtest = items > 0 && data[0] != 0;
    }
    if (data != nullptr) {
        XFree(data);
    }
    xtestDevices_[deviceid] = xtest;
    return xtest;
}

} // namespace orvel::linuxdesktop
