// What the program's events mean in the X server's terms, as pure tables: the keysym of each
// virtual key code the program sends, the keysym that types a Unicode character, the modifier
// keys behind the event flags, and the X button of each of the program's button numbers.
//
// Pure; safe from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace orvel::linuxdesktop {

// An X keysym, spelled without Xlib's headers so that the tables stay pure.
using Keysym = std::uint32_t;

// The keysym of the key at a virtual key code (the US keyboard positions the key map names);
// absent for a code the program never sends.
std::optional<Keysym> keysymForVirtualKey(std::uint16_t code);

// The keysym that types `codePoint`: Latin-1 as itself, everything else as the Unicode keysym
// (0x01000000 + code point); line breaks and tabs as the Return and Tab keys. Absent for a
// code point no key can type (other control characters, surrogates, beyond Unicode).
std::optional<Keysym> keysymForCodePoint(char32_t codePoint);

// The modifier keys to hold for `flags`, in the order they are pressed (Shift, Control, Alt,
// Super); flags without a key on X (Fn) add none.
std::vector<Keysym> modifierKeysyms(std::uint64_t flags);

// The X button of the program's button number (0 left, 1 right, 2 middle, then the extra
// buttons after the wheel's four).
unsigned int xButton(std::uint32_t button);

// Scroll amounts in pixels as wheel clicks: the X button (4 up, 5 down, 6 left, 7 right) and
// how many clicks, one per started notch.
struct WheelClicks {
    unsigned int button = 0;
    int count = 0;
};
// Positive `vertical` scrolls up and positive `horizontal` left, as the program's wheels do.
std::vector<WheelClicks> wheelClicks(std::int32_t vertical, std::int32_t horizontal);

// The pixels one wheel notch stands for: the distance a toolkit scrolls a text view per notch.
inline constexpr int pixelsPerNotch = 40;

} // namespace orvel::linuxdesktop
