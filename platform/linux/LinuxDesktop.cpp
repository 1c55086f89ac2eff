#include "platform/linux/LinuxDesktop.hpp"

#include "platform/linux/capture/X11ScreenCapture.hpp"
#include "platform/linux/loop/LinuxMainLoop.hpp"
#include "platform/linux/session/LinuxNotificationCenter.hpp"
#include "platform/linux/session/LockSignals.hpp"
#include "platform/linux/session/SessionLockReader.hpp"
#include "platform/linux/x11/SecureInputProbe.hpp"
#include "platform/linux/x11/X11Connection.hpp"
#include "platform/linux/x11/X11EventSystem.hpp"
#include "platform/linux/x11/X11PrivacyAccess.hpp"
#include "platform/linux/x11/X11WindowServer.hpp"
#include "platform/linux/x11/X11Workspace.hpp"
#include "platform/posix/PosixProcessInfo.hpp"
#include "platform/profiles/LinuxProfile.hpp"

#include <unistd.h>

namespace orvel::linuxdesktop {

namespace {

using namespace std::chrono_literals;

// Each call to a lock source: long enough for a busy desktop, short enough that a hung
// locker delays a status answer only briefly (it then counts as failed, so as locked).
constexpr auto lockCallTimeout = 300ms;

} // namespace

// Members in the order they are built; they are destroyed in reverse, the capture thread and
// the signal watchers before the connections and the loop they use.
struct LinuxDesktop::Services {
    std::shared_ptr<platform::AccessibilityService> accessibility;
    std::shared_ptr<AccessibleApplications> applications;
    platform::PlatformProfile profile;
    std::unique_ptr<LinuxMainLoop> loop;
    std::unique_ptr<X11Connection> loopConnection;
    std::unique_ptr<X11Connection> shared;
    std::unique_ptr<SessionLockReader> lockReader;
    LinuxNotificationCenter notifications;
    std::unique_ptr<LockSignals> lockSignals;
    std::unique_ptr<X11WindowServer> windowServer;
    std::unique_ptr<X11Workspace> workspace;
    std::unique_ptr<SecureInputProbe> secureInput;
    std::unique_ptr<X11EventSystem> events;
    std::unique_ptr<X11PrivacyAccess> privacy;
    platform::PosixProcessInfo process;
    std::unique_ptr<X11ScreenCapture> capture;
    std::unique_ptr<platform::Platform> platform;
};

std::unique_ptr<LinuxDesktop>
LinuxDesktop::open(const LinuxDesktopOptions& options,
                   std::shared_ptr<platform::AccessibilityService> accessibility,
                   std::shared_ptr<AccessibleApplications> applications, std::string& error) {
    auto services = std::make_unique<Services>();
    services->accessibility = std::move(accessibility);
    services->applications = std::move(applications);
    services->profile = platform::linuxProfile(options.lockSource);
    services->loopConnection = X11Connection::open(options.display);
    services->shared = X11Connection::open(options.display);
    if (!services->loopConnection || !services->shared) {
        error = displayRefusal(options);
        return nullptr;
    }
    services->loop = LinuxMainLoop::create();
    // Nothing selects events on the loop's connection; what the server sends unasked (keymap
    // changes and the like) needs no answer.
    if (!services->loop ||
        !services->loop->watchDisplay(services->loopConnection->display(), [](XEvent&) {})) {
        error = "cannot build the main loop for the X display \"" + options.display + "\"";
        return nullptr;
    }
    services->capture = X11ScreenCapture::open(options.display, *services->shared);
    if (!services->capture) {
        error = displayRefusal(options);
        return nullptr;
    }
    const auto ownPid = static_cast<std::int32_t>(getpid());
    services->lockReader = std::make_unique<SessionLockReader>(
        options.sessionBusAddress, options.systemBusAddress, ownPid, lockCallTimeout);
    auto* notifications = &services->notifications;
    services->lockSignals = std::make_unique<LockSignals>(
        *services->loop, options.sessionBusAddress, options.systemBusAddress, ownPid,
        lockCallTimeout, [notifications](bool locked) {
            notifications->deliver(locked ? platform::notification::screenIsLocked
                                          : platform::notification::screenIsUnlocked);
        });
    services->windowServer = std::make_unique<X11WindowServer>(
        *services->shared, *services->lockReader, options.lockSource);
    services->workspace = std::make_unique<X11Workspace>(*services->loop, *services->loopConnection,
                                                         *services->applications);
    services->secureInput = SecureInputProbe::open(options.display, *services->accessibility);
    if (!services->secureInput) {
        error = displayRefusal(options);
        return nullptr;
    }
    services->events = std::make_unique<X11EventSystem>(*services->loop, *services->shared,
                                                        options.display, *services->secureInput);
    services->privacy = std::make_unique<X11PrivacyAccess>(*services->shared, options.display);
    services->platform = std::make_unique<platform::Platform>(platform::Platform{
        *services->loop, *services->accessibility, *services->windowServer, *services->workspace,
        *services->events, *services->privacy, services->notifications, services->process,
        *services->capture, services->profile});
    return std::unique_ptr<LinuxDesktop>(new LinuxDesktop(std::move(services)));
}

LinuxDesktop::LinuxDesktop(std::unique_ptr<Services> services) : services_(std::move(services)) {}

LinuxDesktop::~LinuxDesktop() = default;

platform::Platform& LinuxDesktop::platform() {
    return *services_->platform;
}

void LinuxDesktop::beforeExit() {
    services_->events->restoreKeymap();
}

} // namespace orvel::linuxdesktop
