#include "linux/support/InputWitness.hpp"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>

#include <array>
#include <cstring>

namespace orvel::testing {

namespace {

std::vector<unsigned int> spareOf(Display* display) {
    int minimum = 0;
    int maximum = 0;
    XDisplayKeycodes(display, &minimum, &maximum);
    int per = 0;
    KeySym* map =
        XGetKeyboardMapping(display, static_cast<KeyCode>(minimum), maximum - minimum + 1, &per);
    std::vector<unsigned int> spare;
    for (int index = 0; map != nullptr && index <= maximum - minimum; ++index) {
        bool empty = true;
        for (int level = 0; level < per; ++level) {
            empty = empty && map[index * per + level] == NoSymbol;
        }
        if (empty) {
            spare.push_back(static_cast<unsigned int>(minimum + index));
        }
    }
    if (map != nullptr) {
        XFree(map);
    }
    return spare;
}

XDevice* openDevice(Display* display, const char* name) {
    int count = 0;
    XDeviceInfo* devices = XListInputDevices(display, &count);
    XDevice* device = nullptr;
    for (int i = 0; i < count && device == nullptr; ++i) {
        if (std::strcmp(devices[i].name, name) == 0) {
            device = XOpenDevice(display, devices[i].id);
        }
    }
    if (devices != nullptr) {
        XFreeDeviceList(devices);
    }
    return device;
}

} // namespace

std::unique_ptr<InputWitness> InputWitness::open(const std::string& displayName) {
    Display* display = XOpenDisplay(displayName.c_str());
    if (display == nullptr) {
        return nullptr;
    }
    std::unique_ptr<InputWitness> witness(new InputWitness(display));
    witness->user_ = XOpenDisplay(displayName.c_str());
    int event = 0;
    int error = 0;
    XQueryExtension(display, "XInputExtension", &witness->opcode_, &event, &error);
    return witness;
}

InputWitness::InputWitness(Display* display) : display_(display), spare_(spareOf(display)) {}

InputWitness::~InputWitness() {
    if (user_ != nullptr) {
        XCloseDisplay(user_);
    }
    XCloseDisplay(display_);
}

std::vector<unsigned int> InputWitness::keysDown() {
    std::array<char, 32> keys{};
    XQueryKeymap(display_, keys.data());
    std::vector<unsigned int> down;
    for (unsigned int keycode = 0; keycode < 256; ++keycode) {
        if ((keys[keycode / 8] & (1 << (keycode % 8))) != 0) {
            down.push_back(keycode);
        }
    }
    return down;
}

unsigned int InputWitness::buttonsDown() {
    Window root = 0;
    Window child = 0;
    int x = 0;
    int y = 0;
    int wx = 0;
    int wy = 0;
    unsigned int mask = 0;
    XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &x, &y, &wx, &wy, &mask);
    return mask & (Button1Mask | Button2Mask | Button3Mask | Button4Mask | Button5Mask);
}

bool InputWitness::lockCapsLock(bool locked) {
    const bool taken =
        XkbLockModifiers(display_, XkbUseCoreKbd, LockMask, locked ? LockMask : 0) == True;
    XSync(display_, False);
    return taken;
}

bool InputWitness::capsLocked() {
    XkbStateRec state{};
    return XkbGetState(display_, XkbUseCoreKbd, &state) == Success &&
           (state.locked_mods & LockMask) != 0;
}

std::vector<unsigned int> InputWitness::remappedSpareKeycodes() {
    std::vector<unsigned int> remapped;
    for (const auto keycode : spare_) {
        int per = 0;
        KeySym* syms = XGetKeyboardMapping(display_, static_cast<KeyCode>(keycode), 1, &per);
        bool empty = true;
        for (int level = 0; syms != nullptr && level < per; ++level) {
            empty = empty && syms[level] == NoSymbol;
        }
        if (syms != nullptr) {
            XFree(syms);
        }
        if (!empty) {
            remapped.push_back(keycode);
        }
    }
    return remapped;
}

unsigned int InputWitness::keycodeOf(std::uint32_t keysym) {
    return XKeysymToKeycode(display_, keysym);
}

bool InputWitness::focusOnAWindow() {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    return focus != None && focus != PointerRoot && focus != DefaultRootWindow(display_);
}

void InputWitness::startRecording() {
    std::array<unsigned char, XIMaskLen(XI_LASTEVENT)> bits{};
    for (const int type :
         {XI_RawMotion, XI_RawKeyPress, XI_RawKeyRelease, XI_RawButtonPress, XI_RawButtonRelease}) {
        XISetMask(bits.data(), type);
    }
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(bits.size()), bits.data()};
    XISelectEvents(display_, DefaultRootWindow(display_), &mask, 1);
    XSync(display_, False);
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
    }
    events_.clear();
}

std::vector<InputWitness::RawEvent> InputWitness::recorded(std::chrono::milliseconds settle) {
    const auto until = std::chrono::steady_clock::now() + settle;
    do {
        XSync(display_, False);
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.xcookie.type == GenericEvent && event.xcookie.extension == opcode_ &&
                XGetEventData(display_, &event.xcookie)) {
                const auto* raw = static_cast<const XIRawEvent*>(event.xcookie.data);
                events_.push_back(
                    {raw->evtype, raw->sourceid, static_cast<unsigned int>(raw->detail)});
                XFreeEventData(display_, &event.xcookie);
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < until);
    return events_;
}

bool InputWitness::userPressesKey(unsigned int keycode) {
    XDevice* keyboard = openDevice(user_, "Xvfb keyboard");
    if (keyboard == nullptr) {
        return false;
    }
    XTestFakeDeviceKeyEvent(user_, keyboard, keycode, True, nullptr, 0, CurrentTime);
    XTestFakeDeviceKeyEvent(user_, keyboard, keycode, False, nullptr, 0, CurrentTime);
    XCloseDevice(user_, keyboard);
    XSync(user_, False);
    return true;
}

bool InputWitness::userMovesPointer(int x, int y) {
    XDevice* mouse = openDevice(user_, "Xvfb mouse");
    if (mouse == nullptr) {
        return false;
    }
    std::array<int, 2> axes{x, y};
    XTestFakeDeviceMotionEvent(user_, mouse, False, 0, axes.data(), 2, CurrentTime);
    XCloseDevice(user_, mouse);
    XSync(user_, False);
    return true;
}

bool InputWitness::anotherClientMovesPointer(int x, int y) {
    XTestFakeMotionEvent(user_, DefaultScreen(user_), x, y, CurrentTime);
    XSync(user_, False);
    return true;
}

} // namespace orvel::testing
