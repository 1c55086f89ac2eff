#include "Targets.hpp"

#include "WindowDictionary.hpp"

#include "OrvelControlCore/Limits.hpp"
#include "OrvelControlCore/Payload.hpp"
#include "OrvelControlCore/Text.hpp"

#include <algorithm>
#include <cmath>

namespace orvel {

namespace {

AppTarget appTarget(const platform::RunningApplication& application) {
    AppTarget app;
    app.pid = application.processIdentifier;
    // Another application's texts need not be valid UTF-8; repaired here, before they reach a
    // comparison, the target policy or a response.
    app.bundleId = text::validUtf8(application.bundleIdentifier.value_or(""));
    app.name = text::validUtf8(application.localizedName.value_or(""));
    app.active = application.isActive;
    app.hidden = application.isHidden;
    app.launchedAt = application.launchDate ? std::round(*application.launchDate) : 0;
    return app;
}

} // namespace

Targets::Targets(platform::Workspace& workspace, platform::WindowServer& windowServer,
                 platform::MainLoop& mainLoop, platform::ProcessInfo& process,
                 const TargetPolicy& policy)
    : workspace_(workspace), windowServer_(windowServer), mainLoop_(mainLoop), process_(process),
      policy_(policy) {}

std::vector<AppTarget> Targets::apps() {
    return mainLoop_.runSync([this] {
        std::vector<AppTarget> apps;
        for (const auto& application : workspace_.runningApplications()) {
            if (application.activationPolicy == platform::ActivationPolicy::regular) {
                apps.push_back(appTarget(application));
            }
        }
        std::stable_sort(apps.begin(), apps.end(), [this](const AppTarget& a, const AppTarget& b) {
            return workspace_.localizedCaseInsensitiveCompare(a.name, b.name) < 0;
        });
        return apps;
    });
}

std::optional<AppTarget> Targets::app(std::int32_t pid) {
    return mainLoop_.runSync([this, pid]() -> std::optional<AppTarget> {
        auto application = workspace_.runningApplication(pid);
        return application ? std::optional<AppTarget>(appTarget(*application)) : std::nullopt;
    });
}

std::optional<std::int32_t> Targets::frontmostPid() {
    return mainLoop_.runSync([this]() -> std::optional<std::int32_t> {
        auto application = workspace_.frontmostApplication();
        return application ? std::optional<std::int32_t>(application->processIdentifier)
                           : std::nullopt;
    });
}

std::vector<WindowTarget> Targets::windows(std::optional<std::int32_t> pid, bool onScreenOnly) {
    std::uint32_t options = platform::windowlist::excludeDesktopElements;
    if (onScreenOnly) {
        options |= platform::windowlist::onScreenOnly;
    }
    auto list = windowServer_.copyWindowInfo(options, platform::windowlist::nullWindow);
    std::vector<WindowTarget> windows;
    if (!list || !list->is_array()) {
        return windows;
    }
    for (const auto& dictionary : *list) {
        auto window = parseWindowDictionary(dictionary);
        if (window && (!pid || window->pid == *pid)) {
            windows.push_back(*window);
        }
    }
    return windows;
}

std::optional<WindowTarget> Targets::topmostWindow(Point point) {
    auto ownPid = process_.ownPid();
    for (const auto& window : windows(std::nullopt, true)) {
        if (window.pid == ownPid || !(window.frame.size.width > 0) ||
            !(window.frame.size.height > 0)) {
            continue;
        }
        if (window.frame.contains(point)) {
            return window;
        }
    }
    return std::nullopt;
}

Json Targets::appPayload(const AppTarget& app, int windowCount) const {
    auto denial = policy_.denial(app.bundleId, app.name, app.pid);
    return Json{
        {"pid", app.pid},
        {"bundleId", app.bundleId},
        {"name", app.name},
        {"active", app.active},
        {"hidden", app.hidden},
        {"launchedAt", app.launchedAt},
        {"windows", windowCount},
        {"allowed", !denial},
        {"denialReason", denial ? Json(*denial) : Json(nullptr)},
    };
}

Json Targets::windowPayload(const WindowTarget& window) {
    return Json{
        {"windowId", window.windowId},           {"pid", window.pid},
        {"title", truncated(window.title, 200)}, {"frame", rectPayload(window.frame)},
        {"onScreen", window.onScreen},           {"eligible", window.isEligible()},
    };
}

} // namespace orvel
