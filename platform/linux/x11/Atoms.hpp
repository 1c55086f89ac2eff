// The X atoms the desktop reads and sends, interned once per connection in one round trip.
// Immutable after the connection opened; read from any thread.
#pragma once

#include <X11/Xlib.h>

namespace orvel::linuxdesktop {

struct Atoms {
    Atom utf8String = 0;
    Atom supportingWmCheck = 0;
    Atom clientList = 0;
    Atom clientListStacking = 0;
    Atom activeWindow = 0;
    Atom wmPid = 0;
    Atom frameExtents = 0;
    Atom wmName = 0;
    Atom gtkApplicationId = 0;
    Atom windowType = 0;
    Atom typeDesktop = 0;
    Atom typeDock = 0;
    Atom typeToolbar = 0;
    Atom typeMenu = 0;
    Atom typeUtility = 0;
    Atom typeSplash = 0;
    Atom typeDialog = 0;
    Atom typeDropdownMenu = 0;
    Atom typePopupMenu = 0;
    Atom typeTooltip = 0;
    Atom typeNotification = 0;
    Atom typeCombo = 0;
    Atom typeDnd = 0;
    Atom typeNormal = 0;
    Atom wmStateProperty = 0;
    Atom stateHidden = 0;
    Atom stateAbove = 0;
    Atom stateBelow = 0;

    // Interns every atom above; false when the server does not answer.
    bool intern(Display* display);
};

} // namespace orvel::linuxdesktop
