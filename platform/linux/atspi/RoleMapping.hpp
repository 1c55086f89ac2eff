// How AT-SPI roles read in the program's accessibility vocabulary: the role ("AXButton"...),
// the subrole (the password field's "AXSecureTextField", a few native subroles, otherwise
// the AT-SPI role's own name where the role alone loses what the object is), and which
// roles are windows, checkable, or text fields.
//
// Pure functions; safe from any thread.
#pragma once

#include "platform/linux/atspi/StateSet.hpp"

#include <cstdint>
#include <string>
#include <string_view>

namespace orvel::linuxdesktop {

struct MappedRole {
    std::string role;
    std::string subrole;
};

// The AT-SPI name of a role ("push button"); "" for a number outside the protocol.
std::string_view atspiRoleName(std::uint32_t role);

// The role and subrole of an object. `states` decide between a single-line and a multi-line
// text field; `topLevel` says the object is a direct child of its application, which makes
// alerts and choosers windows.
MappedRole mapRole(std::uint32_t role, const StateSet& states, bool topLevel);

// Roles whose mapping depends on being a top-level object (alerts and choosers).
bool dependsOnTopLevel(std::uint32_t role);

// Roles that read as a window ("AXWindow").
bool isWindowRole(std::uint32_t role, bool topLevel);

// Roles whose value is their checked state.
bool isCheckableRole(std::uint32_t role);

} // namespace orvel::linuxdesktop
