#include "Permissions.hpp"

#include "OrvelControlCore/Failure.hpp"

namespace orvel {

std::optional<Permission> permissionNamed(const std::string& rawValue) {
    if (rawValue == "accessibility") {
        return Permission::accessibility;
    }
    if (rawValue == "screenRecording") {
        return Permission::screenRecording;
    }
    if (rawValue == "inputMonitoring") {
        return Permission::inputMonitoring;
    }
    return std::nullopt;
}

std::string rawValue(Permission permission) {
    switch (permission) {
    case Permission::accessibility:
        return "accessibility";
    case Permission::screenRecording:
        return "screenRecording";
    case Permission::inputMonitoring:
        break;
    }
    return "inputMonitoring";
}

std::string settingsPaneAnchor(Permission permission) {
    switch (permission) {
    case Permission::accessibility:
        return "Privacy_Accessibility";
    case Permission::screenRecording:
        return "Privacy_ScreenCapture";
    case Permission::inputMonitoring:
        break;
    }
    return "Privacy_ListenEvent";
}

Permissions::Permissions(platform::Platform& platform, UserInputListener& listener,
                         const LockWatcher& lockWatcher)
    : platform_(platform), listener_(listener), lockWatcher_(lockWatcher) {}

LockState Permissions::lockState() const {
    auto session = platform_.windowServer.copyCurrentSessionDictionary();
    if (session && !session->is_object()) {
        session.reset();
    }
    return LockPolicy::interpret(session, lockWatcher_.lastNotified());
}

void Permissions::ensureUnlocked() const {
    LockState state = lockState();
    if (state.permitsAction()) {
        return;
    }
    Json details{{"state", state.label()}, {"reason", *state.reason()}};
    if (state.kind() == LockState::Kind::locked) {
        throw Failure("screen_locked",
                      "Skjermen er låst. Styringen fortsetter ikke på låst skjerm.", details);
    }
    throw Failure(
        "screen_locked",
        "Kunne ikke avgjøre om skjermen er låst. Styringen fortsetter ikke uten å vite det.",
        details);
}

Json Permissions::lockPayload(const LockState& state) const {
    auto reason = state.reason();
    return Json{
        {"state", state.label()},
        {"reason", reason ? Json(*reason) : Json(nullptr)},
        {"limitation", platform_.profile.texts.lockLimitation},
    };
}

Json Permissions::status() const {
    bool accessibility = platform_.accessibility.isProcessTrusted(false);
    bool screenRecording = platform_.privacy.preflightScreenCaptureAccess();
    bool inputMonitoring = platform_.privacy.checkAccess(platform::hidaccess::listenEvent) ==
                           platform::hidaccess::granted;
    LockState lock = lockState();
    ListenerStatus listener = listener_.currentStatus();
    bool secureInput = platform_.events.isSecureEventInputEnabled();
    return Json{
        {"accessibility", accessibility},
        {"screenRecording", screenRecording},
        {"inputMonitoring", inputMonitoring},
        {"screenLocked", !lock.permitsAction()},
        {"lock", lockPayload(lock)},
        {"secureInput", secureInput},
        {"listener", listener.payload()},
        {"userInputMonitoringAvailable", listener.active},
        {"canObserve", accessibility},
        {"canCapture", screenRecording},
        {"canSendForegroundInput", listener.active && accessibility},
    };
}

// Asks the system for the permission; true when the system was asked to show its prompt.
bool Permissions::askFor(Permission permission) {
    switch (permission) {
    case Permission::accessibility:
        return !platform_.accessibility.isProcessTrusted(true);
    case Permission::screenRecording:
        if (platform_.privacy.preflightScreenCaptureAccess()) {
            return false;
        }
        platform_.privacy.requestScreenCaptureAccess();
        return true;
    case Permission::inputMonitoring:
        break;
    }
    if (platform_.privacy.checkAccess(platform::hidaccess::listenEvent) ==
        platform::hidaccess::granted) {
        return false;
    }
    platform_.privacy.requestAccess(platform::hidaccess::listenEvent);
    return true;
}

Json Permissions::request(Permission permission, bool openSettings) {
    bool prompted = askFor(permission);
    bool openedSettings = false;
    const std::string& settings = platform_.profile.texts.settingsAddress;
    if (openSettings && !settings.empty()) {
        std::string address = settings + settingsPaneAnchor(permission);
        openedSettings =
            platform_.mainLoop.runSync([&] { return platform_.workspace.openURL(address); });
    }
    platform_.mainLoop.runSync([this] { listener_.start(); });
    Json result = status();
    result["requested"] = rawValue(permission);
    result["prompted"] = prompted;
    result["openedSettings"] = openedSettings;
    return result;
}

} // namespace orvel
