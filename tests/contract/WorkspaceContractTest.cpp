// What the engine relies on from the workspace: each application with its pid, identifier,
// name, launch date and a regular activation policy; the frontmost one following activation;
// the look-up by pid that finds nothing for a process that is no application; and the name
// order that ignores case.
#include "contract/ContractDesktops.hpp"

#include <cmath>
#include <unistd.h>

namespace orvel::contract {
namespace {

class WorkspaceContract : public ContractTest {
  protected:
    std::optional<platform::RunningApplication> listed(std::int32_t pid) {
        for (auto& app : platform().workspace.runningApplications()) {
            if (app.processIdentifier == pid) {
                return app;
            }
        }
        return std::nullopt;
    }

    void expectFacts(const platform::RunningApplication& app, const KnownWindow& known) {
        EXPECT_EQ(app.bundleIdentifier, known.identifier);
        EXPECT_EQ(app.localizedName, known.name);
        EXPECT_EQ(app.activationPolicy, platform::ActivationPolicy::regular);
        EXPECT_FALSE(app.isHidden);
        ASSERT_TRUE(app.launchDate.has_value());
        EXPECT_LT(std::abs(*app.launchDate - known.launchedAt), 2.0)
            << "launched at " << *app.launchDate << ", expected about " << known.launchedAt;
    }
};

TEST_P(WorkspaceContract, ListsEachApplicationWithItsFacts) {
    for (const auto* known : {&desktop().first(), &desktop().second()}) {
        auto app = listed(known->pid);
        ASSERT_TRUE(app.has_value()) << known->title;
        expectFacts(*app, *known);
    }
}

TEST_P(WorkspaceContract, FindsAnApplicationByItsPidAndNothingForAnotherProcess) {
    auto app = platform().workspace.runningApplication(desktop().first().pid);
    ASSERT_TRUE(app.has_value());
    expectFacts(*app, desktop().first());
    // This test process shows no window and is no application of the desktop.
    EXPECT_FALSE(platform().workspace.runningApplication(static_cast<std::int32_t>(getpid())));
}

TEST_P(WorkspaceContract, TheFrontmostApplicationFollowsActivation) {
    auto frontmostPid = [&] {
        auto app = platform().workspace.frontmostApplication();
        return app ? app->processIdentifier : 0;
    };
    EXPECT_EQ(frontmostPid(), desktop().second().pid);
    ASSERT_TRUE(platform().workspace.activate(desktop().first().pid, 0));
    EXPECT_TRUE(eventually([&] { return frontmostPid() == desktop().first().pid; }));
    auto first = listed(desktop().first().pid);
    auto second = listed(desktop().second().pid);
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(first->isActive);
    EXPECT_FALSE(second->isActive);
}

TEST_P(WorkspaceContract, ComparesNamesIgnoringCase) {
    auto& workspace = platform().workspace;
    EXPECT_LT(workspace.localizedCaseInsensitiveCompare("apple", "Banana"), 0);
    EXPECT_GT(workspace.localizedCaseInsensitiveCompare("Zebra", "apple"), 0);
    EXPECT_EQ(workspace.localizedCaseInsensitiveCompare("Orvel", "orvel"), 0);
}

ORVEL_CONTRACT_SUITE(WorkspaceContract);

} // namespace
} // namespace orvel::contract
