// One application's facts from its process, its windows and the accessibility bus.
#include "platform/linux/x11/ApplicationFacts.hpp"

#include <gtest/gtest.h>

namespace orvel::linuxdesktop {
namespace {

ApplicationSources sources() {
    ApplicationSources app;
    app.pid = 700;
    app.process = ProcessFacts{"gedit", "gedit", 1765000000.25};
    WindowFacts window;
    window.windowId = 1;
    window.pid = 700;
    window.viewable = true;
    app.windows = {window};
    return app;
}

TEST(ApplicationFacts, TakeTheWindowsIdentifierElseTheExecutable) {
    auto app = sources();
    app.windowIdentifier = "org.gnome.gedit";
    EXPECT_EQ(applicationFacts(app, 0).bundleIdentifier, "org.gnome.gedit");
    app.windowIdentifier.reset();
    EXPECT_EQ(applicationFacts(app, 0).bundleIdentifier, "gedit");
}

TEST(ApplicationFacts, TakeNameAndLaunchFromTheProcess) {
    const auto facts = applicationFacts(sources(), 0);
    EXPECT_EQ(facts.processIdentifier, 700);
    EXPECT_EQ(facts.localizedName, "gedit");
    EXPECT_EQ(facts.launchDate, 1765000000.25);
}

TEST(ApplicationFacts, AreActiveWhenTheyOwnTheActiveWindow) {
    EXPECT_TRUE(applicationFacts(sources(), 700).isActive);
    EXPECT_FALSE(applicationFacts(sources(), 701).isActive);
    EXPECT_FALSE(applicationFacts(sources(), 0).isActive);
}

TEST(ApplicationFacts, AreHiddenOnlyWhenEveryWindowIsMinimised) {
    auto app = sources();
    app.windows.push_back(app.windows.front());
    app.windows[0].hidden = true;
    EXPECT_FALSE(applicationFacts(app, 0).isHidden);
    app.windows[1].hidden = true;
    EXPECT_TRUE(applicationFacts(app, 0).isHidden);
    app.windows.clear();
    EXPECT_FALSE(applicationFacts(app, 0).isHidden);
}

TEST(ApplicationFacts, RunInTheBackgroundWithNothingButPanelsAndDesktops) {
    auto panel = sources();
    panel.windows[0].kind = WindowKind::dock;
    EXPECT_EQ(applicationFacts(panel, 0).activationPolicy, platform::ActivationPolicy::accessory);
    panel.accessible = true;
    EXPECT_EQ(applicationFacts(panel, 0).activationPolicy, platform::ActivationPolicy::regular)
        << "an application on the accessibility bus is one a person uses";
    auto windowless = sources();
    windowless.windows.clear();
    windowless.accessible = true;
    EXPECT_EQ(applicationFacts(windowless, 0).activationPolicy,
              platform::ActivationPolicy::regular);
    EXPECT_EQ(applicationFacts(sources(), 0).activationPolicy, platform::ActivationPolicy::regular);
}

} // namespace
} // namespace orvel::linuxdesktop
