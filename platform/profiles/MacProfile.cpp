#include "platform/profiles/MacProfile.hpp"

#include "OrvelControlCore/LockState.hpp"

namespace orvel::platform {

const PlatformProfile& macOSProfile() {
    static const PlatformProfile profile{
        .targets =
            {
                .deniedIdentifiers =
                    {
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
                    },
                .deniedNames = {},
                .deniedNameFragments = {"terminal", "iterm", "securityagent", "loginwindow",
                                        "screen saver", "screensaver", "orvel code",
                                        "keychain access", "system settings", "system preferences"},
                .outOfReachPrefix = "Denne appen er utenfor rekkevidde for Mac-styring: ",
            },
        .texts =
            {
                .accessibilityNotGranted = "Tilgjengelighet er ikke gitt til Orvel Rire. Åpne "
                                           "Personvern og sikkerhet i macOS.",
                .screenRecordingNotGranted = "Skjermopptak er ikke gitt til Orvel Rire. Åpne "
                                             "Personvern og sikkerhet i macOS.",
                .foregroundNeedsInputMonitoring =
                    "Forgrunnsmodus krever at Orvel Rire kan oppdage at du selv tar over "
                    "tastatur og mus. Gi Inndataovervåking i macOS.",
                .lockLimitation = LockPolicy::limitation,
                .settingsAddress = "x-apple.systempreferences:com.apple.preference.security?",
            },
        .keys = KeyPolicy::macOS(),
    };
    return profile;
}

} // namespace orvel::platform
