// The worker operations, one at a time on the worker queue, and the argument checks the
// dispatch makes itself before handing a request to the part that owns it.
#include "Engine.hpp"

#include "OrvelControlCore/Failures.hpp"
#include "OrvelControlCore/RequestAccessors.hpp"
#include "OrvelControlCore/Text.hpp"

#include <cmath>
#include <map>

namespace orvel {

Json Engine::perform(const std::string& op, const Ticket& ticket, const Json& request) {
    if (op == "permissions.request") {
        return permissionsRequest(request);
    }
    if (op == "apps.list") {
        return appsList();
    }
    if (op == "windows.list") {
        return windowsList(request);
    }
    if (op == "observe") {
        return observe(ticket, request);
    }
    if (op == "act") {
        return act(ticket, request);
    }
    throw failures::unknownOperation(op);
}

Json Engine::permissionsRequest(const Json& request) {
    auto permission = permissionNamed(readString(request, "permission").value_or(""));
    if (!permission) {
        throw failures::unknownPermission();
    }
    return permissions_.request(*permission, readBool(request, "openSettings").value_or(false));
}

// The window list is taken once, before the applications, and each app counts its eligible
// on-screen windows in it.
Json Engine::appsList() {
    std::map<std::int32_t, int> eligibleWindows;
    for (const auto& window : targets_.windows(std::nullopt, true)) {
        if (window.isEligible()) {
            eligibleWindows[window.pid] += 1;
        }
    }
    Json apps = Json::array();
    for (const auto& app : targets_.apps()) {
        auto count = eligibleWindows.find(app.pid);
        apps.push_back(
            targets_.appPayload(app, count == eligibleWindows.end() ? 0 : count->second));
    }
    return Json{{"apps", apps}};
}

Json Engine::windowsList(const Json& request) {
    auto pid = readPid(request, "pid");
    if (!pid) {
        throw failures::missingPid();
    }
    AppTarget app = liveApp(*pid, readString(request, "bundleId"), std::nullopt);
    Json windows = Json::array();
    for (const auto& window : targets_.windows(*pid, true)) {
        windows.push_back(Targets::windowPayload(window));
    }
    return Json{{"app", targets_.appPayload(app, 0)}, {"windows", windows}};
}

AppTarget Engine::liveApp(std::int32_t pid, const std::optional<std::string>& expectedBundle,
                          std::optional<double> launchedAt) {
    auto app = targets_.app(pid);
    if (!app) {
        throw Failure("target_missing", "Appen kjører ikke lenger.", Json{{"pid", pid}});
    }
    if (expectedBundle && !expectedBundle->empty() &&
        !text::canonicallyEqual(*expectedBundle, app->bundleId)) {
        throw Failure("target_missing",
                      "Prosessen tilhører en annen app enn den økten er bundet til.",
                      Json{{"expected", *expectedBundle}, {"actual", app->bundleId}});
    }
    if (launchedAt && *launchedAt > 0 && std::fabs(app->launchedAt - *launchedAt) > 1) {
        throw Failure("target_missing", "Appen er startet på nytt siden økten ble opprettet.",
                      Json{{"expected", *launchedAt}, {"actual", app->launchedAt}});
    }
    if (auto denial = targets_.policy().denial(app->bundleId, app->name, pid)) {
        throw Failure("denied_target", *denial, Json{{"bundleId", app->bundleId}});
    }
    return *app;
}

WindowTarget Engine::liveWindow(std::int32_t pid, std::uint32_t windowId) {
    for (const auto& window : targets_.windows(pid, false)) {
        if (window.windowId == windowId) {
            return window;
        }
    }
    throw Failure("target_missing", "Vinduet er lukket eller ikke tilgjengelig.",
                  Json{{"windowId", windowId}});
}

} // namespace orvel
