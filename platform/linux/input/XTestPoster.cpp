#include "platform/linux/input/XTestPoster.hpp"

#include "platform/linux/x11/XlibHandlers.hpp"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cmath>

namespace orvel::linuxdesktop {

namespace {

namespace eventtype = platform::eventtype;

std::int64_t signatureOf(const platform::Event& event) {
    return event.integerValueField(platform::eventfield::eventSourceUserData);
}

// The keycodes the keymap leaves without any keysym.
std::vector<unsigned int> spareKeycodes(Display* display, int& keysymsPerKeycode) {
    int minimum = 0;
    int maximum = 0;
    XDisplayKeycodes(display, &minimum, &maximum);
    const int count = maximum - minimum + 1;
    KeySym* map =
        XGetKeyboardMapping(display, static_cast<KeyCode>(minimum), count, &keysymsPerKeycode);
    std::vector<unsigned int> spare;
    if (map == nullptr) {
        return spare;
    }
    for (int index = 0; index < count; ++index) {
        bool empty = true;
        for (int level = 0; level < keysymsPerKeycode; ++level) {
            empty = empty && map[index * keysymsPerKeycode + level] == NoSymbol;
        }
        if (empty) {
            spare.push_back(static_cast<unsigned int>(minimum + index));
        }
    }
    XFree(map);
    return spare;
}

// The code points of a UTF-16 string; a lone surrogate is skipped.
std::vector<char32_t> codePoints(const std::u16string& units) {
    std::vector<char32_t> points;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char32_t unit = units[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            points.push_back(0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (unit < 0xD800 || unit > 0xDFFF) {
            points.push_back(unit);
        }
    }
    return points;
}

} // namespace

std::unique_ptr<XTestPoster> XTestPoster::open(const std::string& displayName,
                                               PostedEventBook& book, Timing timing) {
    prepareXlib();
    Display* display = XOpenDisplay(displayName.c_str());
    if (display == nullptr) {
        return nullptr;
    }
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        XCloseDisplay(display);
        return nullptr;
    }
    int keysymsPerKeycode = 0;
    auto spare = spareKeycodes(display, keysymsPerKeycode);
    return std::unique_ptr<XTestPoster>(
        new XTestPoster(display, book, timing, std::move(spare), keysymsPerKeycode));
}

XTestPoster::XTestPoster(Display* display, PostedEventBook& book, Timing timing,
                         std::vector<unsigned int> spare, int keysymsPerKeycode)
    : display_(display), book_(book), timing_(timing), keysymsPerKeycode_(keysymsPerKeycode),
      pool_(std::move(spare), timing.settle), restorer_([this] { restoreIdle(); }) {}

XTestPoster::~XTestPoster() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    restorer_.join();
    {
        std::lock_guard lock(mutex_);
        liftEverything();
    }
    restoreKeymap(timing_.settle);
    XCloseDisplay(display_);
}

void XTestPoster::post(const platform::Event& event) {
    const auto signature = signatureOf(event);
    std::unique_lock lock(mutex_);
    switch (event.type) {
    case eventtype::mouseMoved:
    case eventtype::leftMouseDragged:
    case eventtype::rightMouseDragged:
    case eventtype::otherMouseDragged:
        moveTo(event.location, signature);
        break;
    case eventtype::leftMouseDown:
    case eventtype::rightMouseDown:
    case eventtype::otherMouseDown:
        moveTo(event.location, signature);
        pressButton(xButton(event.mouseButton), signature);
        break;
    case eventtype::leftMouseUp:
    case eventtype::rightMouseUp:
    case eventtype::otherMouseUp:
        moveTo(event.location, signature);
        liftButton(xButton(event.mouseButton), signature);
        break;
    case eventtype::scrollWheel:
        scroll(event, signature);
        break;
    case eventtype::keyDown:
        if (event.unicodeString.empty()) {
            pressVirtualKey(event, signature);
        } else {
            typeCharacters(event, signature, lock);
        }
        break;
    case eventtype::keyUp:
        liftKeysOf(event.keyCode, signature);
        break;
    default:
        break;
    }
    XFlush(display_);
}

void XTestPoster::sync() {
    std::lock_guard lock(mutex_);
    XSync(display_, False);
}

std::vector<unsigned int> XTestPoster::lentKeycodes() {
    std::lock_guard lock(mutex_);
    return pool_.lent();
}

void XTestPoster::restoreKeymap(Clock::duration patience) {
    std::unique_lock lock(mutex_);
    const auto giveUp = Clock::now() + patience;
    while (const auto last = pool_.lastUse()) {
        const auto settled = std::min(giveUp, *last + timing_.settle);
        if (Clock::now() >= settled) {
            break;
        }
        changed_.wait_until(lock, settled);
    }
    giveBack(pool_.takeBack(Clock::now(), std::nullopt));
    XSync(display_, False);
}

void XTestPoster::moveTo(Point point, std::int64_t signature) {
    if (signature != 0) {
        book_.book(RawKind::motion, 0, signature);
    }
    XTestFakeMotionEvent(display_, DefaultScreen(display_), static_cast<int>(std::lround(point.x)),
                         static_cast<int>(std::lround(point.y)), CurrentTime);
}

void XTestPoster::pressButton(unsigned int button, std::int64_t signature) {
    if (heldButtons_.contains(button)) {
        return;
    }
    if (signature != 0) {
        book_.book(RawKind::buttonPress, button, signature);
    }
    XTestFakeButtonEvent(display_, button, True, CurrentTime);
    heldButtons_.insert(button);
}

void XTestPoster::liftButton(unsigned int button, std::int64_t signature) {
    if (heldButtons_.erase(button) == 0) {
        return;
    }
    if (signature != 0) {
        book_.book(RawKind::buttonRelease, button, signature);
    }
    XTestFakeButtonEvent(display_, button, False, CurrentTime);
}

void XTestPoster::scroll(const platform::Event& event, std::int64_t signature) {
    for (const auto& clicks : wheelClicks(event.wheel1, event.wheel2)) {
        for (int click = 0; click < clicks.count; ++click) {
            if (signature != 0) {
                book_.book(RawKind::buttonPress, clicks.button, signature);
                book_.book(RawKind::buttonRelease, clicks.button, signature);
            }
            XTestFakeButtonEvent(display_, clicks.button, True, CurrentTime);
            XTestFakeButtonEvent(display_, clicks.button, False, CurrentTime);
        }
    }
}

// The modifiers first, then the key, all remembered under the event's key code.
void XTestPoster::pressVirtualKey(const platform::Event& event, std::int64_t signature) {
    const auto keysym = keysymForVirtualKey(event.keyCode);
    const auto place = keysym ? placeOf(*keysym) : std::nullopt;
    if (!place) {
        return;
    }
    auto& held = heldKeys_[event.keyCode];
    for (const auto modifier : modifierKeysyms(event.flags)) {
        if (const auto at = placeOf(modifier)) {
            pressKey(at->keycode, signature);
            held.push_back(at->keycode);
        }
    }
    pressKey(place->keycode, signature);
    held.push_back(place->keycode);
}

// Every character but the last is pressed and lifted at once; the last stays down until the
// event's up, as a key does.
//
// Caps Lock left on by the person would turn the case of letters, on the keymap's keys and on
// lent ones alike (the applications convert the case themselves), so it is unlocked for the
// presses and locked again right after them, in the same flush: the server applies the
// requests of one connection in order, so every press sees it off and the person finds it as
// they left it.
void XTestPoster::typeCharacters(const platform::Event& event, std::int64_t signature,
                                 std::unique_lock<std::mutex>& lock) {
    const bool capsWasLocked = capsLocked();
    if (capsWasLocked) {
        lockCaps(false);
    }
    typeEachCharacter(event, signature, lock);
    if (capsWasLocked) {
        lockCaps(true);
    }
}

bool XTestPoster::capsLocked() {
    XkbStateRec state{};
    return XkbGetState(display_, XkbUseCoreKbd, &state) == Success &&
           (state.locked_mods & LockMask) != 0;
}

void XTestPoster::lockCaps(bool locked) {
    XkbLockModifiers(display_, XkbUseCoreKbd, LockMask, locked ? LockMask : 0);
}

void XTestPoster::typeEachCharacter(const platform::Event& event, std::int64_t signature,
                                    std::unique_lock<std::mutex>& lock) {
    const auto points = codePoints(event.unicodeString);
    for (std::size_t index = 0; index < points.size(); ++index) {
        const auto keysym = keysymForCodePoint(points[index]);
        const auto place = keysym ? keyFor(*keysym, lock) : std::nullopt;
        if (!place || closing_) {
            continue;
        }
        std::vector<unsigned int> pressed;
        if (place->shifted) {
            if (const auto shift = placeOf(XK_Shift_L)) {
                pressKey(shift->keycode, signature);
                pressed.push_back(shift->keycode);
            }
        }
        pressKey(place->keycode, signature);
        pressed.push_back(place->keycode);
        if (index + 1 < points.size()) {
            for (auto it = pressed.rbegin(); it != pressed.rend(); ++it) {
                liftKey(*it, signature);
            }
        } else {
            auto& held = heldKeys_[event.keyCode];
            held.insert(held.end(), pressed.begin(), pressed.end());
        }
    }
}

void XTestPoster::liftKeysOf(std::uint16_t code, std::int64_t signature) {
    auto found = heldKeys_.find(code);
    if (found == heldKeys_.end()) {
        return;
    }
    for (auto it = found->second.rbegin(); it != found->second.rend(); ++it) {
        liftKey(*it, signature);
    }
    heldKeys_.erase(found);
}

void XTestPoster::pressKey(unsigned int keycode, std::int64_t signature) {
    if (signature != 0) {
        book_.book(RawKind::keyPress, keycode, signature);
    }
    XTestFakeKeyEvent(display_, keycode, True, CurrentTime);
    pool_.pressed(keycode, Clock::now());
}

void XTestPoster::liftKey(unsigned int keycode, std::int64_t signature) {
    if (signature != 0) {
        book_.book(RawKind::keyRelease, keycode, signature);
    }
    XTestFakeKeyEvent(display_, keycode, False, CurrentTime);
    pool_.released(keycode, Clock::now());
    changed_.notify_all();
}

std::optional<XTestPoster::KeyPlace> XTestPoster::placeOf(Keysym keysym) {
    int minimum = 0;
    int maximum = 0;
    XDisplayKeycodes(display_, &minimum, &maximum);
    int perKeycode = 0;
    const int count = maximum - minimum + 1;
    KeySym* map = XGetKeyboardMapping(display_, static_cast<KeyCode>(minimum), count, &perKeycode);
    if (map == nullptr) {
        return std::nullopt;
    }
    const auto lent = pool_.lent();
    std::optional<KeyPlace> place;
    for (int level = 0; level < std::min(perKeycode, 2) && !place; ++level) {
        for (int index = 0; index < count; ++index) {
            const auto keycode = static_cast<unsigned int>(minimum + index);
            if (map[index * perKeycode + level] == keysym &&
                std::find(lent.begin(), lent.end(), keycode) == lent.end()) {
                place = KeyPlace{keycode, level == 1};
                break;
            }
        }
    }
    XFree(map);
    return place;
}

std::optional<XTestPoster::KeyPlace> XTestPoster::keyFor(Keysym keysym,
                                                         std::unique_lock<std::mutex>& lock) {
    if (auto place = placeOf(keysym)) {
        return place;
    }
    while (!closing_) {
        auto lease = pool_.lease(keysym, Clock::now());
        if (!lease) {
            return std::nullopt;
        }
        if (const auto* granted = std::get_if<KeycodePool::Lease>(&*lease)) {
            if (granted->remap) {
                mapKeycode(granted->keycode, keysym);
            }
            return KeyPlace{granted->keycode, false};
        }
        changed_.wait_until(lock, std::get<Clock::time_point>(*lease));
    }
    return std::nullopt;
}

// Both levels carry the character, so that Shift (held by the user) changes nothing; without
// a keysym the keycode is empty again, as it was.
void XTestPoster::mapKeycode(unsigned int keycode, std::optional<Keysym> keysym) {
    const int width = std::max(keysymsPerKeycode_, 2);
    std::vector<KeySym> levels(static_cast<std::size_t>(width), NoSymbol);
    if (keysym) {
        levels[0] = *keysym;
        levels[1] = *keysym;
    }
    XChangeKeyboardMapping(display_, static_cast<int>(keycode), width, levels.data(), 1);
}

void XTestPoster::giveBack(const std::vector<unsigned int>& keycodes) {
    for (const auto keycode : keycodes) {
        mapKeycode(keycode, std::nullopt);
    }
    if (!keycodes.empty()) {
        XFlush(display_);
    }
}

void XTestPoster::liftEverything() {
    for (const auto& [code, keycodes] : heldKeys_) {
        for (auto it = keycodes.rbegin(); it != keycodes.rend(); ++it) {
            XTestFakeKeyEvent(display_, *it, False, CurrentTime);
            pool_.released(*it, Clock::now());
        }
    }
    heldKeys_.clear();
    for (const auto button : heldButtons_) {
        XTestFakeButtonEvent(display_, button, False, CurrentTime);
    }
    heldButtons_.clear();
    XSync(display_, False);
}

void XTestPoster::restoreIdle() {
    std::unique_lock lock(mutex_);
    while (!closing_) {
        if (const auto next = pool_.nextIdle(timing_.idle)) {
            changed_.wait_until(lock, *next);
        } else {
            changed_.wait(lock);
        }
        if (!closing_) {
            giveBack(pool_.takeBack(Clock::now(), timing_.idle));
        }
    }
}

} // namespace orvel::linuxdesktop
