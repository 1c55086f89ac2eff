// The application identifier a window announces: GTK's _GTK_APPLICATION_ID (the application's
// D-Bus name, "org.gnome.Calculator"), else the class of WM_CLASS ("XTerm"). One or two round
// trips; safe on a shared connection.
#pragma once

#include "platform/linux/x11/X11Connection.hpp"

#include <optional>
#include <string>

namespace orvel::linuxdesktop {

std::optional<std::string> windowApplicationIdentifier(const X11Connection& x, Window window);

} // namespace orvel::linuxdesktop
