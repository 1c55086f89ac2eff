#include "platform/linux/x11/SecureInputProbe.hpp"

#include "platform/linux/x11/ScreenStacking.hpp"
#include "platform/linux/x11/WindowList.hpp"

namespace orvel::linuxdesktop {

namespace {

// Each accessibility read of the probe: it runs between the events of an action, which must
// not stall on a busy application.
constexpr double readBound = 0.25;

} // namespace

std::unique_ptr<SecureInputProbe>
SecureInputProbe::open(const std::string& displayName,
                       platform::AccessibilityService& accessibility) {
    auto x = X11Connection::open(displayName);
    if (!x) {
        return nullptr;
    }
    return std::unique_ptr<SecureInputProbe>(new SecureInputProbe(std::move(x), accessibility));
}

bool SecureInputProbe::secureEntryLikely() {
    return keyboardGrabbedElsewhere() || focusedElementIsPassword();
}

bool SecureInputProbe::focusedElementIsPassword() {
    auto active = activeWindow(*x_);
    if (!active) {
        return false;
    }
    const auto pid = windowPid(*x_, *active);
    if (pid <= 0) {
        return false;
    }
    auto application = accessibility_.createApplication(pid);
    auto focused = accessibility_.copyAttributeValue(application, "AXFocusedUIElement", readBound);
    if (!focused.ok() || focused.value.kind != platform::AXValue::Kind::element) {
        return false;
    }
    auto subrole = accessibility_.copyAttributeValue(focused.value.element, "AXSubrole", readBound);
    return subrole.ok() && subrole.value.kind == platform::AXValue::Kind::string &&
           subrole.value.string == "AXSecureTextField";
}

bool SecureInputProbe::keyboardGrabbedElsewhere() {
    return keyboardHeld() && !activeApplicationMenuInFront();
}

bool SecureInputProbe::keyboardHeld() {
    Display* display = x_->display();
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    // Grabbing where the focus already is moves no focus, so nobody is told of the grab.
    Window target = (focus == None || focus == PointerRoot) ? x_->root() : focus;
    int result = XGrabKeyboard(display, target, True, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (result == GrabNotViewable && target != x_->root()) {
        result =
            XGrabKeyboard(display, x_->root(), True, GrabModeAsync, GrabModeAsync, CurrentTime);
    }
    if (result == GrabSuccess) {
        XUngrabKeyboard(display, CurrentTime);
        // The grab is gone at the server before any event the caller sends next arrives.
        XSync(display, False);
        return false;
    }
    return result == AlreadyGrabbed || result == GrabFrozen;
}

bool SecureInputProbe::activeApplicationMenuInFront() {
    auto active = activeWindow(*x_);
    if (!active) {
        return false;
    }
    const auto pid = windowPid(*x_, *active);
    const auto windows = windowsOnScreen(*x_);
    return pid > 0 && !windows.empty() && windows.front().kind == WindowKind::menu &&
           windows.front().pid == pid;
}

} // namespace orvel::linuxdesktop
