#include "platform/sim/SimPrivacyAccess.hpp"

namespace orvel::sim {

namespace {

bool request(DesktopState& state, bool Permissions::*permission) {
    auto& permissions = state.world.permissions;
    const bool granted = permissions.*permission;
    if (state.world.grantOnRequest) {
        permissions.*permission = true;
    }
    return granted;
}

} // namespace

std::int32_t SimPrivacyAccess::checkAccess(std::int32_t requestType) {
    if (requestType != platform::hidaccess::listenEvent) {
        return platform::hidaccess::unknown;
    }
    return core_.read([](const DesktopState& state) {
        return state.world.permissions.inputMonitoring ? platform::hidaccess::granted
                                                       : platform::hidaccess::denied;
    });
}

bool SimPrivacyAccess::requestAccess(std::int32_t requestType) {
    if (requestType != platform::hidaccess::listenEvent) {
        return false;
    }
    return core_.change(
        [](DesktopState& state, Outbox&) { return request(state, &Permissions::inputMonitoring); });
}

bool SimPrivacyAccess::preflightScreenCaptureAccess() {
    return core_.read(
        [](const DesktopState& state) { return state.world.permissions.screenRecording; });
}

bool SimPrivacyAccess::requestScreenCaptureAccess() {
    return core_.change(
        [](DesktopState& state, Outbox&) { return request(state, &Permissions::screenRecording); });
}

} // namespace orvel::sim
