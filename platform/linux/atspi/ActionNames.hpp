// How an object's AT-SPI actions are offered: the first of "click", "activate", "toggle" and
// "press" (in that order of preference) as "AXPress", then every other action under its
// stable name. GTK buttons offer "click" beside "press" and "release"; pressing without
// releasing would leave the button held, which is why "click" comes first.
//
// Pure functions; safe from any thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orvel::linuxdesktop {

// The names offered for the application's stable action names (Action.GetName, in order).
std::vector<std::string> offeredActionNames(const std::vector<std::string>& names);

// The index of the application's action that carries out an offered name; none when the
// object does not offer it.
std::optional<int> actionIndexFor(const std::vector<std::string>& names,
                                  const std::string& offered);

} // namespace orvel::linuxdesktop
