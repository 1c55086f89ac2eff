#include "TargetPolicy.hpp"

#include "OrvelControlCore/Text.hpp"
#include "ProductIdentity.hpp"

#include <cstdlib>

namespace orvel {

namespace {

const char* const ownControlSurface = "Orvel Rire kan ikke styre sin egen kontrollflate.";

std::string outOfReach(const std::string& what) {
    return "Denne appen er utenfor rekkevidde for Mac-styring: " + what + ".";
}

} // namespace

const std::set<std::string>& TargetPolicy::deniedBundles() {
    static const std::set<std::string> bundles = {
        "com.apple.Terminal",
        "com.googlecode.iterm2",
        "io.alacritty",
        "net.kovidgoyal.kitty",
        "com.mitchellh.ghostty",
        "dev.warp.Warp-Stable",
        "dev.warp.Warp-Preview",
        "co.zeit.hyper",
        "com.github.wez.wezterm",
        "org.tabby",
        "com.apple.SecurityAgent",
        "com.apple.loginwindow",
        "com.apple.systempreferences",
        "com.apple.systemsettings",
        "com.apple.keychainaccess",
        "com.apple.ScreenSaver.Engine",
        "com.apple.screensaver",
        "com.apple.CoreAuthenticationRemoteService",
        "com.apple.LocalAuthentication.UIAgent",
    };
    return bundles;
}

const std::array<const char*, 10>& TargetPolicy::deniedNameFragments() {
    static const std::array<const char*, 10> fragments = {
        "terminal",    "iterm",      "securityagent",   "loginwindow",     "screen saver",
        "screensaver", "orvel code", "keychain access", "system settings", "system preferences",
    };
    return fragments;
}

std::string TargetPolicy::ownerBundleFromEnvironment() {
    const char* configured = std::getenv("ORVEL_CONTROL_OWNER_BUNDLE");
    return configured != nullptr ? std::string(configured) : std::string(product::ownerBundle);
}

TargetPolicy::TargetPolicy(std::string ownerBundle, std::set<std::int32_t> ownerPids)
    : ownerBundle_(std::move(ownerBundle)), ownerPids_(std::move(ownerPids)) {}

std::optional<std::string> TargetPolicy::denial(const std::optional<std::string>& bundleId,
                                                const std::string& name, std::int32_t pid) const {
    std::string bundle = bundleId.value_or("");
    if (ownerPids_.contains(pid) || bundle == ownerBundle_) {
        return ownControlSurface;
    }
    if (deniedBundles().contains(bundle)) {
        return outOfReach(bundle);
    }
    std::string lowered = text::lowercased(name);
    for (const char* fragment : deniedNameFragments()) {
        if (lowered.find(fragment) != std::string::npos) {
            return outOfReach(name);
        }
    }
    return std::nullopt;
}

} // namespace orvel
