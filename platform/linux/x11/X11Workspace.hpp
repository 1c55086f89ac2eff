// The workspace of the X11 desktop: the running applications are the processes the
// accessibility bus lists as applications together with the owners of application windows;
// their facts come from /proc and their windows (see ApplicationFacts). Activation asks the
// window manager through _NET_ACTIVE_WINDOW as a pager does (source 2, which managers do not
// refuse as focus stealing); without a window manager the window is raised and given the
// input focus. There is no settings pane to open. Names are ordered by the user's locale's
// collation.
//
// Its calls belong to the main loop, on whose X connection they run: from another thread
// they hop there and wait, so the loop must be running.
#pragma once

#include "platform/Workspace.hpp"
#include "platform/common/NameCollation.hpp"
#include "platform/linux/AccessibleApplications.hpp"
#include "platform/linux/loop/LinuxMainLoop.hpp"
#include "platform/linux/x11/X11Connection.hpp"

namespace orvel::linuxdesktop {

class X11Workspace final : public platform::Workspace {
  public:
    // `x` is the main loop's connection.
    X11Workspace(LinuxMainLoop& loop, const X11Connection& x,
                 AccessibleApplications& accessibleApplications);

    std::vector<platform::RunningApplication> runningApplications() override;
    std::optional<platform::RunningApplication> frontmostApplication() override;
    std::optional<platform::RunningApplication> runningApplication(std::int32_t pid) override;
    bool activate(std::int32_t pid, std::uint32_t options) override;
    bool openURL(const std::string& url) override;
    int localizedCaseInsensitiveCompare(const std::string& a, const std::string& b) override;

  private:
    std::vector<platform::RunningApplication> listApplications();
    std::optional<platform::RunningApplication> applicationOf(std::int32_t pid);
    std::int32_t activePid();
    bool activateOnLoop(std::int32_t pid);

    LinuxMainLoop& loop_;
    const X11Connection& x_;
    AccessibleApplications& accessibleApplications_;
    // The user's language's order of names, ignoring case.
    const platform::NameCollation collation_ = platform::NameCollation::forEnvironment();
};

} // namespace orvel::linuxdesktop
