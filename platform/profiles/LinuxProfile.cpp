#include "platform/profiles/LinuxProfile.hpp"

#include "OrvelControlCore/Keymap.hpp"

namespace orvel::platform {

namespace {

// Application identifiers as the backend reports them (_GTK_APPLICATION_ID, else the WM_CLASS
// class, else the executable's name), so executables appear here too.
std::set<std::string> deniedIdentifiers() {
    return {
        // Terminals.
        "org.gnome.Terminal",
        "org.gnome.Console",
        "org.gnome.Ptyxis",
        "org.kde.konsole",
        "konsole",
        "Konsole",
        "xfce4-terminal",
        "Xfce4-terminal",
        "XTerm",
        "UXTerm",
        "xterm",
        "uxterm",
        "kitty",
        "Alacritty",
        "alacritty",
        "com.gexperts.Tilix",
        "Tilix",
        "tilix",
        "Terminator",
        "terminator",
        "org.wezfurlong.wezterm",
        "lxterminal",
        "Lxterminal",
        "mate-terminal",
        "Mate-terminal",
        "qterminal",
        "QTerminal",
        "URxvt",
        "urxvt",
        "rxvt",
        "st",
        "st-256color",
        "foot",
        "Guake",
        "guake",
        "Tilda",
        "tilda",
        "yakuake",
        "org.kde.yakuake",
        "terminology",
        "Terminology",
        "sakura",
        "Sakura",
        "com.mitchellh.ghostty",
        "io.elementary.terminal",
        "cool-retro-term",
        // Settings.
        "org.gnome.Settings",
        "org.gnome.ControlCenter",
        "gnome-control-center",
        "Gnome-control-center",
        "systemsettings",
        "systemsettings5",
        "org.kde.systemsettings",
        "xfce4-settings-manager",
        "Xfce4-settings-manager",
        "xfce4-settings-editor",
        "mate-control-center",
        "cinnamon-settings",
        "lxqt-config",
        "unity-control-center",
        "ca.desrt.dconf-editor",
        "dconf-editor",
        "org.gnome.tweaks",
        "gnome-tweaks",
        // Authentication and password prompts.
        "polkit-gnome-authentication-agent-1",
        "polkit-kde-authentication-agent-1",
        "polkit-mate-authentication-agent-1",
        "lxpolkit",
        "lxqt-policykit-agent",
        "xfce-polkit",
        "gcr-prompter",
        "Gcr-prompter",
        "pinentry",
        "pinentry-gtk-2",
        "pinentry-gnome3",
        "pinentry-qt",
        "pinentry-x2go",
        "ssh-askpass",
        "ksshaskpass",
        "x11-ssh-askpass",
        "gnome-ssh-askpass",
        // Keyrings and password managers.
        "org.gnome.seahorse.Application",
        "seahorse",
        "Seahorse",
        "org.keepassxc.KeePassXC",
        "keepassxc",
        "KeePassXC",
        "keepass2",
        "KeePass2",
        "Bitwarden",
        "bitwarden",
        "1Password",
        "1password",
        "org.kde.kwalletmanager5",
        "kwalletmanager5",
        "kwalletmanager",
        "org.gnome.World.Secrets",
        "enpass",
        "Enpass",
        // Screen lockers and greeters.
        "xscreensaver",
        "XScreenSaver",
        "light-locker",
        "i3lock",
        "xsecurelock",
        "slock",
        "xlock",
        "xtrlock",
        "gnome-screensaver",
        "mate-screensaver",
        "cinnamon-screensaver",
        "xfce4-screensaver",
        "kscreenlocker_greet",
        "lightdm",
        "lightdm-gtk-greeter",
        "slick-greeter",
        "unity-greeter",
        "sddm-greeter",
        "gdm",
        "gdm-x-session",
        "org.gnome.Shell.Screenshield",
    };
}

// Fragments of executable and application names, matched anywhere in the folded name. They
// catch other builds and renamed copies of the kinds above; each is distinctive enough not to
// hit ordinary applications.
std::vector<std::string> deniedNameFragments() {
    return {"terminal",       "xterm",           "rxvt",           "konsole",
            "kitty",          "alacritty",       "tilix",          "terminator",
            "wezterm",        "ghostty",         "guake",          "yakuake",
            "terminolog",     "control-center",  "control center", "settings-manager",
            "systemsettings", "system settings", "polkit",         "policykit",
            "gcr-prompter",   "pinentry",        "askpass",        "keyring",
            "keepass",        "kwallet",         "seahorse",       "bitwarden",
            "1password",      "screensaver",     "screen saver",   "screenlocker",
            "lock screen",    "greeter",         "orvel code",     "orvel-code"};
}

// Names refused only when they are the whole (folded) name: too short to be fragments.
std::set<std::string> deniedNames() {
    return {"st", "foot", "sakura", "tilda", "slock", "xlock", "gdm", "sddm", "lightdm"};
}

// Control is the shortcut modifier on Linux desktops, so a client's Command+C copies here as it
// does on macOS: "cmd" and its synonyms mean Control, like "ctrl". Super belongs to the desktop
// (launchers, window tiling, workspaces) and Fn to the keyboard's firmware; both are refused.
// Control+Alt combinations switch consoles and workspaces or log out, so they are refused too.
//
// Control keys that stay in the window on GTK, Qt and browser text and list widgets: select all,
// copy, cut, undo and redo (Z, and Y where Shift+Z is not used), save, find and find-next, word
// and paragraph movement with the arrows, start and end of the document, and word deletion.
// Control+V pastes (refused as clipboard); Control+Q, W, T, N, O, P and Tab quit, close, open or
// print and are left out.
//
// Alt keys: the arrows (history back and forward, moving list rows) and word deletion. Alt with
// a letter fires menu mnemonics, Alt+Tab and Alt+Space reach the window manager: left out.
KeyPolicy linuxKeys() {
    using namespace Keymap;
    // The bit a Super key sets on this desktop's events; Command's bit is otherwise unused.
    constexpr std::uint64_t maskSuper = maskCommand;
    return KeyPolicy{
        .modifiers = {{"cmd", maskControl},
                      {"command", maskControl},
                      {"meta", maskControl},
                      {"ctrl", maskControl},
                      {"control", maskControl},
                      {"shift", maskShift},
                      {"alt", maskAlternate},
                      {"option", maskAlternate},
                      {"super", maskSuper},
                      {"fn", maskSecondaryFn},
                      {"function", maskSecondaryFn}},
        .systemModifiers = maskSuper | maskSecondaryFn,
        .primary = maskControl,
        .primaryKeys = {"a", "c", "x", "z", "y", "s", "f", "g", "left", "right", "up", "down",
                        "home", "end", "delete", "forwarddelete"},
        .secondary = maskAlternate,
        .secondaryKeys = {"left", "right", "up", "down", "delete", "forwarddelete"},
        .functionKeyMessage = "Funksjonstastene kan bli tolket av skrivebordet før appen ser dem. "
                              "Orvel Rire sender dem ikke; ta over selv hvis du trenger dem.",
        .systemModifierMessage = "Super- og Fn-kombinasjoner er der skrivebordet har sine egne "
                                 "snarveier. Orvel Rire sender dem ikke; ta over selv hvis du "
                                 "trenger dem.",
        .typesControlCharacters = false,
    };
}

std::string lockLimitation(LockSource source) {
    if (source == LockSource::declaredAbsent) {
        return "Skrivebordet er oppgitt å ikke ha skjermlås (ORVEL_SCREEN_LOCK=none).";
    }
    return "Skjermlåsen leses fra innloggingsøkten og skjermspareren. Ukjent tilstand behandles "
           "som låst.";
}

} // namespace

PlatformProfile linuxProfile(LockSource lockSource) {
    return PlatformProfile{
        .targets =
            {
                .deniedIdentifiers = deniedIdentifiers(),
                .deniedNames = deniedNames(),
                .deniedNameFragments = deniedNameFragments(),
                .outOfReachPrefix = "Denne appen er utenfor rekkevidde for Linux-styring: ",
            },
        .texts =
            {
                .accessibilityNotGranted = "Tilgjengelighetsbussen (AT-SPI) svarer ikke. Slå på "
                                           "hjelpeteknologi i skrivebordets innstillinger.",
                .screenRecordingNotGranted =
                    "Orvel Rire kan ikke lese skjermbildet fra X-serveren.",
                .foregroundNeedsInputMonitoring =
                    "Forgrunnsmodus krever at Orvel Rire kan oppdage at du selv tar over "
                    "tastatur og mus. X-serveren gir ikke tilgang til inndatahendelser (XInput2).",
                .lockLimitation = lockLimitation(lockSource),
                .settingsAddress = "",
            },
        .keys = linuxKeys(),
    };
}

} // namespace orvel::platform
