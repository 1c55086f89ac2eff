// The program's view of what can be controlled: the running applications as the workspace
// reports them and the windows as the window server reports them. Nothing is cached; every
// call asks the platform again, and no call fails: a platform that answers nothing gives an
// empty list or nothing.
//
// Threading: workspace calls run on the main loop (a synchronous hop when called from
// elsewhere); window-server calls run on the calling thread. No state of its own.
#pragma once

#include "AppTarget.hpp"
#include "OrvelControlCore/Json.hpp"
#include "TargetPolicy.hpp"
#include "WindowTarget.hpp"
#include "platform/MainLoop.hpp"
#include "platform/ProcessInfo.hpp"
#include "platform/WindowServer.hpp"
#include "platform/Workspace.hpp"

#include <optional>
#include <vector>

namespace orvel {

class Targets {
  public:
    Targets(platform::Workspace& workspace, platform::WindowServer& windowServer,
            platform::MainLoop& mainLoop, platform::ProcessInfo& process,
            const TargetPolicy& policy);

    // The regular applications, stably sorted by the platform's localised, case-insensitive
    // name order.
    std::vector<AppTarget> apps();
    std::optional<AppTarget> app(std::int32_t pid);
    std::optional<std::int32_t> frontmostPid();

    // The window server's windows, front to back; malformed entries are skipped.
    std::vector<WindowTarget> windows(std::optional<std::int32_t> pid, bool onScreenOnly);

    // The first on-screen window under the point that is not the program's own and has an
    // area; no layer filter, so overlays in front count.
    std::optional<WindowTarget> topmostWindow(Point point);

    Json appPayload(const AppTarget& app, int windowCount) const;
    static Json windowPayload(const WindowTarget& window);

    const TargetPolicy& policy() const { return policy_; }

  private:
    platform::Workspace& workspace_;
    platform::WindowServer& windowServer_;
    platform::MainLoop& mainLoop_;
    platform::ProcessInfo& process_;
    const TargetPolicy& policy_;
};

} // namespace orvel
