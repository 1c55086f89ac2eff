// Reading other clients' window properties: each read is one round trip that answers absent
// when the window is gone, the property is not set or has another type or format. Safe on a
// shared connection.
#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <string>
#include <vector>

namespace orvel::linuxdesktop {

// A 32-bit property of `type` (CARDINAL, WINDOW, ATOM...), as Xlib hands such values over.
std::optional<std::vector<unsigned long>> readLongs(Display* display, Window window, Atom property,
                                                    Atom type);

// The first value of a 32-bit property.
std::optional<unsigned long> readLong(Display* display, Window window, Atom property, Atom type);

// An 8-bit property of `type` as bytes.
std::optional<std::string> readBytes(Display* display, Window window, Atom property, Atom type);

// A text property in whichever encoding it was set (UTF8_STRING as it is, STRING converted
// from Latin-1, COMPOUND_TEXT through Xlib's conversion); absent when unset or unconvertible.
std::optional<std::string> readText(Display* display, Window window, Atom property,
                                    Atom utf8String);

} // namespace orvel::linuxdesktop
