// The platform services the program uses and the desktop's profile, gathered so that one
// reference can be handed to the engine's constructor. The backend that provides them outlives
// the engine.
#pragma once

#include "platform/AccessibilityService.hpp"
#include "platform/EventSystem.hpp"
#include "platform/MainLoop.hpp"
#include "platform/NotificationCenter.hpp"
#include "platform/PlatformProfile.hpp"
#include "platform/PrivacyAccess.hpp"
#include "platform/ProcessInfo.hpp"
#include "platform/ScreenCapture.hpp"
#include "platform/WindowServer.hpp"
#include "platform/Workspace.hpp"

namespace orvel::platform {

struct Platform {
    MainLoop& mainLoop;
    AccessibilityService& accessibility;
    WindowServer& windowServer;
    Workspace& workspace;
    EventSystem& events;
    PrivacyAccess& privacy;
    NotificationCenter& notifications;
    ProcessInfo& process;
    ScreenCapture& capture;
    const PlatformProfile& profile;
};

} // namespace orvel::platform
