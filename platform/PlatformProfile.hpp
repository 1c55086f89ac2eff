// What differs between desktops beyond the services themselves, handed to the engine as one
// value by the backend: the applications that are out of reach, the texts that name the
// operating system or its settings, and the key combinations that stay inside a window.
// Portable code reads this data and never asks which desktop it is on.
//
// Immutable once the backend has built it; read from any thread.
#pragma once

#include "OrvelControlCore/KeyPolicy.hpp"

#include <set>
#include <string>
#include <vector>

namespace orvel::platform {

// The applications that are never observed or driven, besides the program's own owner.
struct TargetRules {
    // Application identifiers refused exactly (case-sensitive).
    std::set<std::string> deniedIdentifiers;
    // Application names refused exactly, compared in their folded form (see TargetPolicy).
    std::set<std::string> deniedNames;
    // Fragments refused anywhere in the folded name, tried in this order.
    std::vector<std::string> deniedNameFragments;
    // The refusal, followed by the identifier or name and a full stop.
    std::string outOfReachPrefix;
};

// Texts that tell the person what to switch on, in the desktop's own words.
struct ProfileTexts {
    // Accessibility is not available to the program.
    std::string accessibilityNotGranted;
    // Windows cannot be captured.
    std::string screenRecordingNotGranted;
    // Foreground mode is refused because the program cannot see the person take over.
    std::string foregroundNeedsInputMonitoring;
    // What the screen-lock state can and cannot tell, shown with every lock state.
    std::string lockLimitation;
    // The settings address to which a permission's pane anchor is appended; empty when the
    // desktop has no pane to open.
    std::string settingsAddress;
};

struct PlatformProfile {
    TargetRules targets;
    ProfileTexts texts;
    KeyPolicy keys;
};

} // namespace orvel::platform
