// One running application of the Linux desktop as the workspace reports it, built from what
// /proc, the X server and the accessibility bus say about its process. Pure; thread-safe.
#pragma once

#include "platform/Workspace.hpp"
#include "platform/linux/proc/ProcessFacts.hpp"
#include "platform/linux/x11/WindowFacts.hpp"

#include <optional>
#include <string>
#include <vector>

namespace orvel::linuxdesktop {

struct ApplicationSources {
    std::int32_t pid = 0;
    ProcessFacts process;
    // The process's application windows, front to back.
    std::vector<WindowFacts> windows;
    // The first of its windows' _GTK_APPLICATION_ID, else WM_CLASS class, when one is set.
    std::optional<std::string> windowIdentifier;
    // The accessibility bus lists the process as an application.
    bool accessible = false;
};

// - identifier: the window's application identifier, else the executable's name;
// - name: the process's name (see ProcessFacts);
// - active: the process owns the active window;
// - hidden: it has windows and every one is minimised;
// - launch date: the process's start;
// - policy: regular for an accessible application or one with an ordinary window; an owner of
//   nothing but docks, desktops, notifications, menus or tooltips runs in the background
//   (accessory), as panels and desktop shells do.
platform::RunningApplication applicationFacts(const ApplicationSources& sources,
                                              std::int32_t activePid);

} // namespace orvel::linuxdesktop
