#include "platform/linux/x11/X11Workspace.hpp"

#include "platform/linux/x11/ApplicationFacts.hpp"
#include "platform/linux/x11/WindowActivation.hpp"
#include "platform/linux/x11/WindowIdentity.hpp"
#include "platform/linux/x11/WindowList.hpp"

#include <algorithm>
#include <map>

namespace orvel::linuxdesktop {

namespace {

std::optional<std::string> identifierOf(const X11Connection& x,
                                        const std::vector<WindowFacts>& windows) {
    for (const auto& window : windows) {
        if (auto identifier = windowApplicationIdentifier(x, window.windowId)) {
            return identifier;
        }
    }
    return std::nullopt;
}

std::optional<platform::RunningApplication> factsFor(const X11Connection& x, std::int32_t pid,
                                                     std::vector<WindowFacts> windows,
                                                     bool accessible, std::int32_t activePid) {
    auto process = processFacts(pid);
    if (!process) {
        return std::nullopt;
    }
    ApplicationSources sources;
    sources.pid = pid;
    sources.process = std::move(*process);
    sources.windowIdentifier = identifierOf(x, windows);
    sources.windows = std::move(windows);
    sources.accessible = accessible;
    return applicationFacts(sources, activePid);
}

std::map<std::int32_t, std::vector<WindowFacts>> windowsByOwner(const X11Connection& x) {
    std::map<std::int32_t, std::vector<WindowFacts>> owners;
    for (auto& window : applicationWindows(x, false)) {
        if (window.pid > 0) {
            owners[window.pid].push_back(std::move(window));
        }
    }
    return owners;
}

std::vector<WindowFacts> takeWindows(std::map<std::int32_t, std::vector<WindowFacts>>& owners,
                                     std::int32_t pid) {
    auto node = owners.extract(pid);
    return node.empty() ? std::vector<WindowFacts>{} : std::move(node.mapped());
}

} // namespace

X11Workspace::X11Workspace(LinuxMainLoop& loop, const X11Connection& x,
                           AccessibleApplications& accessibleApplications)
    : loop_(loop), x_(x), accessibleApplications_(accessibleApplications) {}

std::vector<platform::RunningApplication> X11Workspace::runningApplications() {
    return loop_.runSync([this] { return listApplications(); });
}

std::optional<platform::RunningApplication> X11Workspace::frontmostApplication() {
    return loop_.runSync([this]() -> std::optional<platform::RunningApplication> {
        const auto pid = activePid();
        return pid > 0 ? applicationOf(pid) : std::nullopt;
    });
}

std::optional<platform::RunningApplication> X11Workspace::runningApplication(std::int32_t pid) {
    return loop_.runSync([this, pid] { return applicationOf(pid); });
}

bool X11Workspace::activate(std::int32_t pid, std::uint32_t) {
    return loop_.runSync([this, pid] { return activateOnLoop(pid); });
}

bool X11Workspace::openURL(const std::string&) {
    return false;
}

int X11Workspace::localizedCaseInsensitiveCompare(const std::string& a, const std::string& b) {
    return collation_.compare(a, b);
}

// The accessibility bus's applications in its order, then window owners it does not list, by
// pid (which keeps the order stable while windows change places).
std::vector<platform::RunningApplication> X11Workspace::listApplications() {
    auto owners = windowsByOwner(x_);
    const auto active = activePid();
    std::vector<platform::RunningApplication> apps;
    std::vector<std::int32_t> seen;
    for (const auto& accessible : accessibleApplications_.accessibleApplications()) {
        if (accessible.pid <= 0 ||
            std::find(seen.begin(), seen.end(), accessible.pid) != seen.end()) {
            continue;
        }
        seen.push_back(accessible.pid);
        if (auto facts =
                factsFor(x_, accessible.pid, takeWindows(owners, accessible.pid), true, active)) {
            apps.push_back(std::move(*facts));
        }
    }
    for (auto& [pid, windows] : owners) {
        if (auto facts = factsFor(x_, pid, std::move(windows), false, active)) {
            apps.push_back(std::move(*facts));
        }
    }
    return apps;
}

std::optional<platform::RunningApplication> X11Workspace::applicationOf(std::int32_t pid) {
    if (pid <= 0) {
        return std::nullopt;
    }
    auto owners = windowsByOwner(x_);
    auto windows = takeWindows(owners, pid);
    const auto accessible = accessibleApplications_.accessibleApplications();
    const bool listed =
        std::any_of(accessible.begin(), accessible.end(),
                    [pid](const AccessibleApplication& app) { return app.pid == pid; });
    if (windows.empty() && !listed) {
        return std::nullopt;
    }
    return factsFor(x_, pid, std::move(windows), listed, activePid());
}

std::int32_t X11Workspace::activePid() {
    auto window = activeWindow(x_);
    return window ? windowPid(x_, *window) : 0;
}

// The front-most ordinary window of the process, minimised or not (the manager restores it).
bool X11Workspace::activateOnLoop(std::int32_t pid) {
    auto owners = windowsByOwner(x_);
    auto found = owners.find(pid);
    if (found == owners.end()) {
        return false;
    }
    const auto& windows = found->second;
    auto target = std::find_if(windows.begin(), windows.end(), [](const WindowFacts& window) {
        return window.kind == WindowKind::normal || window.kind == WindowKind::utility;
    });
    if (target == windows.end()) {
        return false;
    }
    // The caller waits for the activation to take, without holding up the loop.
    requestActivation(x_, target->windowId);
    return true;
}

} // namespace orvel::linuxdesktop
