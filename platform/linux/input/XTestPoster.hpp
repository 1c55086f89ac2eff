// The program's input as the X server receives it: XTest requests on a connection of the
// poster's own. Pointer events move the pointer and press or lift a button; key events press
// the key of the virtual key code together with the modifier keys of their flags, or type the
// characters of their Unicode string: through the key the keymap already has for the character
// (with Shift where it sits on the second level), else through a spare keycode lent to the
// character (see KeycodePool); wheel events become clicks of buttons 4 to 7, one per notch.
//
// Every key and button the poster pressed is remembered until it is lifted, and an up event
// lifts exactly what its down pressed (the modifiers too), whatever its own flags and string say.
// Lent keycodes go back to the keymap once idle (a thread of the poster's own sees to it), when
// `restoreKeymap` is called, and when the poster is destroyed, which also lifts whatever is
// still down. What it posts is booked first, with the event's signature, so that the takeover
// listener can tell it from the user's.
//
// Thread-safe: one mutex guards the connection's use and the bookkeeping; `post` may wait there
// for a lent keycode to settle (at most `settle`) when every spare keycode is in recent use.
#pragma once

#include "platform/Event.hpp"
#include "platform/linux/input/KeycodePool.hpp"
#include "platform/linux/input/PostedEventBook.hpp"

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

struct _XDisplay;

namespace orvel::linuxdesktop {

class XTestPoster {
  public:
    using Clock = KeycodePool::Clock;

    struct Timing {
        // How long after its last key a lent keycode may be lent again or given back.
        Clock::duration settle = std::chrono::milliseconds(300);
        // How long a lent keycode stays lent once idle, so that typing that goes on keeps it.
        Clock::duration idle = std::chrono::seconds(1);
    };

    // Null when the display cannot be opened or has no XTest extension.
    static std::unique_ptr<XTestPoster> open(const std::string& displayName, PostedEventBook& book,
                                             Timing timing);
    static std::unique_ptr<XTestPoster> open(const std::string& displayName,
                                             PostedEventBook& book) {
        return open(displayName, book, Timing{});
    }
    ~XTestPoster();
    XTestPoster(const XTestPoster&) = delete;
    XTestPoster& operator=(const XTestPoster&) = delete;

    // Sends `event`; its integer field 42 is the signature booked with it (0: not booked).
    void post(const platform::Event& event);
    // Returns once the server has handled every request sent so far.
    void sync();
    // Gives every lent keycode that is not down back to the keymap, first waiting (at most
    // `patience`) until the last of them has settled.
    void restoreKeymap(Clock::duration patience);

    // The keycodes lent to characters right now.
    std::vector<unsigned int> lentKeycodes();

  private:
    XTestPoster(struct _XDisplay* display, PostedEventBook& book, Timing timing,
                std::vector<unsigned int> spare, int keysymsPerKeycode);

    struct KeyPlace {
        unsigned int keycode = 0;
        bool shifted = false;
    };

    void moveTo(Point point, std::int64_t signature);
    void pressButton(unsigned int button, std::int64_t signature);
    void liftButton(unsigned int button, std::int64_t signature);
    void scroll(const platform::Event& event, std::int64_t signature);
    void pressVirtualKey(const platform::Event& event, std::int64_t signature);
    void typeCharacters(const platform::Event& event, std::int64_t signature,
                        std::unique_lock<std::mutex>& lock);
    void typeEachCharacter(const platform::Event& event, std::int64_t signature,
                           std::unique_lock<std::mutex>& lock);
    void liftKeysOf(std::uint16_t code, std::int64_t signature);
    void pressKey(unsigned int keycode, std::int64_t signature);
    void liftKey(unsigned int keycode, std::int64_t signature);
    // Whether Caps Lock is locked on, and locking or unlocking it.
    bool capsLocked();
    void lockCaps(bool locked);
    // Where the keymap has `keysym` on the first or second level of a keycode not lent out.
    std::optional<KeyPlace> placeOf(Keysym keysym);
    // A keycode for `keysym`, lending a spare one (and waiting for one to settle) if needed.
    std::optional<KeyPlace> keyFor(Keysym keysym, std::unique_lock<std::mutex>& lock);
    void mapKeycode(unsigned int keycode, std::optional<Keysym> keysym);
    void giveBack(const std::vector<unsigned int>& keycodes);
    void liftEverything();
    void restoreIdle();

    struct _XDisplay* display_;
    PostedEventBook& book_;
    const Timing timing_;
    const int keysymsPerKeycode_;

    std::mutex mutex_;
    std::condition_variable changed_;
    KeycodePool pool_;                                            // guarded by mutex_
    std::map<std::uint16_t, std::vector<unsigned int>> heldKeys_; // guarded by mutex_
    std::set<unsigned int> heldButtons_;                          // guarded by mutex_
    bool closing_ = false;                                        // guarded by mutex_
    std::thread restorer_;
};

} // namespace orvel::linuxdesktop
