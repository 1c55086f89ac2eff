// The spare keycodes (those the keymap leaves without a keysym) through which characters the
// keymap has no key for are typed: one keycode per distinct character, lent for as long as the
// character is being typed and given back only well after its last key, because a toolkit
// reads the keymap when it handles a key, which can be later than the key reached the server.
//
// Pure bookkeeping over injected time points; the caller changes the keymap as it says. Not
// thread-safe: its owner's lock guards it.
#pragma once

#include "platform/linux/input/KeySymbols.hpp"

#include <chrono>
#include <map>
#include <optional>
#include <variant>
#include <vector>

namespace orvel::linuxdesktop {

class KeycodePool {
  public:
    using Clock = std::chrono::steady_clock;

    // `settle`: how long after its last key a keycode's keysym may change again (lent to
    // another character or given back).
    KeycodePool(std::vector<unsigned int> spare, Clock::duration settle);

    // A keycode that types `keysym`, and whether the keymap must first be changed to make it
    // do so.
    struct Lease {
        unsigned int keycode = 0;
        bool remap = false;
    };
    // The keycode already lent to `keysym`, else a free one, else the one idle the longest if it
    // has settled; otherwise the time at which one will have. Absent without spare keycodes.
    std::optional<std::variant<Lease, Clock::time_point>> lease(Keysym keysym,
                                                                Clock::time_point now);

    // The keycode went down or up at `now`; a keycode that is down is never taken back.
    void pressed(unsigned int keycode, Clock::time_point now);
    void released(unsigned int keycode, Clock::time_point now);

    // Takes back every lent keycode idle for at least `idle` (or, with `idle` absent, every
    // keycode not down): the caller gives those back to the keymap.
    std::vector<unsigned int> takeBack(Clock::time_point now, std::optional<Clock::duration> idle);
    // When the next lent keycode will have been idle for `idle`; absent when none is lent or
    // every lent one is down.
    std::optional<Clock::time_point> nextIdle(Clock::duration idle) const;
    // The time the last key of any lent keycode went up (absent when none is lent).
    std::optional<Clock::time_point> lastUse() const;

    std::vector<unsigned int> lent() const;

  private:
    struct Loan {
        Keysym keysym = 0;
        Clock::time_point lastUse;
        bool down = false;
    };

    std::vector<unsigned int> free_;
    std::map<unsigned int, Loan> loans_;
    Clock::duration settle_;
};

} // namespace orvel::linuxdesktop
