// Whether keyboard input is probably being read as a secret right now. X11 has no switch like
// secure keyboard entry, so the probe reads the two nearest facts:
//
// - The element that has the keyboard focus is a password field: the focused element (over
//   the accessibility bus) of the application that owns the active window, which is where the
//   server sends key events. Its role decides; its text is never read.
// - Another client holds the keyboard grab, as password prompts and screen lockers do: the
//   probe asks the server for a grab of its own and lets it go at once. The grab is asked on
//   the window that already has the focus, so the server generates no focus change for it and
//   no application sees anything. A grab held while the front-most window on screen is a
//   pop-up menu of the active application is that menu's own (GTK grabs the keyboard while a
//   menu is open) and does not count.
//
// What it cannot see: a password field in an application that does not expose its elements on
// the accessibility bus, or that does not mark the field as one (terminal programs reading a
// password with echo off are invisible to it: terminals are out of reach anyway); a prompt
// that reads the keyboard without grabbing it; a grab by the active application itself for a
// purpose other than a menu of its own. A read that does not answer within its short bound
// counts as nothing seen: the program's other checks refuse an application that does not
// answer.
//
// Threading: safe from any thread. Probes running at once on the probe's one connection are
// one client to the server, which grants a client's grab again to that client: they never
// take each other's grab for another client's.
#pragma once

#include "platform/AccessibilityService.hpp"
#include "platform/linux/x11/X11Connection.hpp"

#include <memory>
#include <string>

namespace orvel::linuxdesktop {

class SecureInputProbe {
  public:
    // Null when the display cannot be opened.
    static std::unique_ptr<SecureInputProbe> open(const std::string& displayName,
                                                  platform::AccessibilityService& accessibility);

    // Either fact holds.
    bool secureEntryLikely();

    bool focusedElementIsPassword();
    bool keyboardGrabbedElsewhere();

  private:
    SecureInputProbe(std::unique_ptr<X11Connection> x,
                     platform::AccessibilityService& accessibility)
        : x_(std::move(x)), accessibility_(accessibility) {}

    // The server says another client holds the keyboard.
    bool keyboardHeld();
    bool activeApplicationMenuInFront();

    const std::unique_ptr<X11Connection> x_;
    platform::AccessibilityService& accessibility_;
};

} // namespace orvel::linuxdesktop
