// The applications that are never controlled.
#include "TargetPolicy.hpp"
#include "platform/profiles/LinuxProfile.hpp"
#include "platform/profiles/MacProfile.hpp"

#include <gtest/gtest.h>

namespace orvel {
namespace {

const std::string outOfReach = "Denne appen er utenfor rekkevidde for Mac-styring: ";
const std::string ownSurface = "Orvel Rire kan ikke styre sin egen kontrollflate.";

TEST(TargetPolicy, DeniesListedBundlesExactlyAndNamesByFragment) {
    TargetPolicy policy(platform::macOSProfile().targets, "no.orvel.code", {10, 11});
    EXPECT_EQ(platform::macOSProfile().targets.deniedIdentifiers.size(), 19u);
    EXPECT_EQ(policy.denial("com.apple.Terminal", "Terminal", 500),
              outOfReach + "com.apple.Terminal.");
    EXPECT_EQ(policy.denial("com.apple.terminal", "Shell", 500), std::nullopt)
        << "bundles compare case-sensitively";
    EXPECT_EQ(policy.denial("com.apple.terminal", "Terminal", 500), outOfReach + "Terminal.");
    EXPECT_EQ(policy.denial("com.example.tool", "My Terminal Helper", 500),
              outOfReach + "My Terminal Helper.");
    EXPECT_EQ(policy.denial("com.example.saver", "Fancy SCREEN Saver", 500),
              outOfReach + "Fancy SCREEN Saver.");
    EXPECT_EQ(policy.denial("com.apple.Notes", "Notes", 500), std::nullopt);
    EXPECT_EQ(policy.denial(std::nullopt, "Calculator", 500), std::nullopt);
    EXPECT_EQ(policy.denial("com.example.x", "Orvel Code", 500), outOfReach + "Orvel Code.");
}

TEST(TargetPolicy, TheOwnerComesFirst) {
    TargetPolicy policy(platform::macOSProfile().targets, "no.orvel.code", {10, 11});
    EXPECT_EQ(policy.denial("com.apple.Terminal", "Terminal", 11), ownSurface);
    EXPECT_EQ(policy.denial("com.example.any", "Any", 10), ownSurface);
    EXPECT_EQ(policy.denial("no.orvel.code", "Orvel", 500), ownSurface);

    TargetPolicy emptyOwner(platform::macOSProfile().targets, "", {10});
    EXPECT_EQ(emptyOwner.denial(std::nullopt, "Calculator", 500), ownSurface)
        << "an empty owner bundle refuses every app without a bundle";
    EXPECT_EQ(emptyOwner.denial("com.example.calc", "Calculator", 500), std::nullopt);
}

TEST(TargetPolicy, NamesCannotEvadeTheFragmentsBySpelling) {
    TargetPolicy policy(platform::macOSProfile().targets, "no.orvel.code", {10});
    for (const std::string name :
         {"\u0130TERM", "\uFF34erminal", "Ter\u200Bminal", "T\u00E9rminal", "TERM\u0130NAL",
          "\U0001D413erminal", "Terminal\xFF", "SCREEN\u00A0SAVER"}) {
        EXPECT_EQ(policy.denial("com.example.x", name, 500), outOfReach + name + ".") << name;
    }
    EXPECT_EQ(policy.denial("com.example.notes", "Termin", 500), std::nullopt);
    EXPECT_EQ(policy.denial("com.example.notes", "\u00C9clair", 500), std::nullopt);
}

TEST(TargetPolicy, IdentifiersMatchInEveryCanonicallyEquivalentSpelling) {
    const auto profile = platform::linuxProfile(platform::LockSource::sessionAndScreensaver);
    TargetPolicy policy(profile.targets, "no.orvel.caf\u00E9", {10});
    // A Kelvin sign is a canonical spelling of K.
    const std::string kelvin = "org.keepassxc.\u212AeePassXC";
    EXPECT_EQ(policy.denial(kelvin, "Vault", 500),
              "Denne appen er utenfor rekkevidde for Linux-styring: " + kelvin + ".");
    EXPECT_EQ(policy.denial("no.orvel.cafe\u0301", "Orvel", 500), ownSurface);
    EXPECT_EQ(policy.denial("org.keepassxc.keepassxc", "Vault", 500), std::nullopt)
        << "identifiers still compare case-sensitively";
}

TEST(TargetPolicy, TheLinuxProfileRefusesTerminalsSettingsPromptsAndLockers) {
    const auto profile = platform::linuxProfile(platform::LockSource::sessionAndScreensaver);
    TargetPolicy policy(profile.targets, "no.orvel.code", {10});
    const std::string linuxOutOfReach = "Denne appen er utenfor rekkevidde for Linux-styring: ";
    EXPECT_EQ(policy.denial("org.gnome.Terminal", "gnome-terminal-server", 500),
              linuxOutOfReach + "org.gnome.Terminal.");
    EXPECT_EQ(policy.denial("XTerm", "xterm", 500), linuxOutOfReach + "XTerm.");
    for (const std::string name :
         {"xterm", "uxterm", "urxvt", "konsole", "Alacritty", "wezterm-gui", "st", "foot",
          "gnome-control-center", "xfce4-settings-manager", "gcr-prompter", "pinentry-gnome3",
          "ssh-askpass", "polkit-gnome-authentication-agent-1", "keepassxc", "xscreensaver",
          "lightdm-gtk-greeter", "\uFF58term"}) {
        EXPECT_EQ(policy.denial("com.example.renamed", name, 500), linuxOutOfReach + name + ".")
            << name;
    }
    for (const std::string name : {"gtk3-widget-factory", "zenity", "mousepad", "stellarium",
                                   "footnotes", "gedit", "python3"}) {
        EXPECT_EQ(policy.denial("com.example.app", name, 500), std::nullopt) << name;
    }
    EXPECT_EQ(policy.denial("org.gtk.WidgetFactory", "gtk3-widget-factory", 10), ownSurface);
}

} // namespace
} // namespace orvel
