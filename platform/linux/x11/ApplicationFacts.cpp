#include "platform/linux/x11/ApplicationFacts.hpp"

#include <algorithm>

namespace orvel::linuxdesktop {

namespace {

bool isOrdinary(const WindowFacts& window) {
    return window.kind == WindowKind::normal || window.kind == WindowKind::utility;
}

} // namespace

platform::RunningApplication applicationFacts(const ApplicationSources& sources,
                                              std::int32_t activePid) {
    platform::RunningApplication app;
    app.processIdentifier = sources.pid;
    app.bundleIdentifier = sources.windowIdentifier ? sources.windowIdentifier
                                                    : std::optional(sources.process.executable);
    app.localizedName = sources.process.name;
    app.isActive = activePid > 0 && activePid == sources.pid;
    app.isHidden = !sources.windows.empty() &&
                   std::all_of(sources.windows.begin(), sources.windows.end(),
                               [](const WindowFacts& window) { return window.hidden; });
    app.launchDate = sources.process.startedAt;
    const bool ordinary = std::any_of(sources.windows.begin(), sources.windows.end(), isOrdinary);
    app.activationPolicy = sources.accessible || ordinary ? platform::ActivationPolicy::regular
                                                          : platform::ActivationPolicy::accessory;
    return app;
}

} // namespace orvel::linuxdesktop
