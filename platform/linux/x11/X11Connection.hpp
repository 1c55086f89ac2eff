// One connection to the X server, with the atoms the desktop uses interned on it.
//
// Xlib serialises the calls of several threads on one connection, so a connection may be
// shared by threads that only make requests. A connection whose events someone reads (the
// main loop's) belongs to that one thread: another thread's round trip would queue events
// where the reader's wake-up never sees them.
#pragma once

#include "platform/linux/x11/Atoms.hpp"

#include <X11/Xlib.h>

#include <memory>
#include <string>

namespace orvel::linuxdesktop {

class X11Connection {
  public:
    // Null when the display cannot be opened.
    static std::unique_ptr<X11Connection> open(const std::string& displayName);
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    Display* display() const { return display_; }
    Window root() const { return root_; }
    const Atoms& atoms() const { return atoms_; }

  private:
    X11Connection(Display* display, const Atoms& atoms);

    Display* display_;
    Window root_;
    Atoms atoms_;
};

} // namespace orvel::linuxdesktop
