#include "platform/sim/SimWorkspace.hpp"

namespace orvel::sim {

namespace {

platform::RunningApplication factsOf(const World& world, const LiveApp& app) {
    return platform::RunningApplication{
        app.pid,    app.bundleId,   app.name,  world.frontmost == app.pid,
        app.hidden, app.launchedAt, app.policy};
}

std::optional<platform::RunningApplication> factsOf(const World& world, std::int32_t pid) {
    const auto* app = world.app(pid);
    return app ? std::optional(factsOf(world, *app)) : std::nullopt;
}

} // namespace

std::vector<platform::RunningApplication> SimWorkspace::runningApplications() {
    return core_.read([](const DesktopState& state) {
        std::vector<platform::RunningApplication> apps;
        for (const auto& app : state.world.apps()) {
            apps.push_back(factsOf(state.world, app));
        }
        return apps;
    });
}

std::optional<platform::RunningApplication> SimWorkspace::frontmostApplication() {
    return core_.read(
        [](const DesktopState& state) { return factsOf(state.world, state.world.frontmost); });
}

std::optional<platform::RunningApplication> SimWorkspace::runningApplication(std::int32_t pid) {
    return core_.read([pid](const DesktopState& state) { return factsOf(state.world, pid); });
}

bool SimWorkspace::activate(std::int32_t pid, std::uint32_t) {
    return core_.change([pid](DesktopState& state, Outbox& outbox) {
        const auto* app = state.world.app(pid);
        if (!app) {
            return false;
        }
        switch (app->activation) {
        case ActivationMode::accept:
            state.world.bringForward(pid);
            return true;
        case ActivationMode::slow:
            outbox.laterChanges.push_back(
                {app->activationDelay, [pid](DesktopState& later, Outbox&) {
                     later.world.bringForward(pid);
                 }});
            return true;
        case ActivationMode::ignore:
            return true;
        case ActivationMode::refuse:
            return false;
        }
        return false;
    });
}

bool SimWorkspace::openURL(const std::string& url) {
    core_.change([&url](DesktopState& state, Outbox&) { state.log.recordOpenedURL(url); });
    return true;
}

int SimWorkspace::localizedCaseInsensitiveCompare(const std::string& a, const std::string& b) {
    return collation_.compare(a, b);
}

} // namespace orvel::sim
