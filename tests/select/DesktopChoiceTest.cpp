// Which desktop the environment asks for, and the refusals for what cannot be honoured.
#include "platform/select/DesktopChoice.hpp"

#include <gtest/gtest.h>

#include <map>

namespace orvel::platform {
namespace {

EnvironmentLookup environment(std::map<std::string, std::string> variables) {
    return [variables](const std::string& name) -> std::optional<std::string> {
        auto found = variables.find(name);
        return found == variables.end() ? std::nullopt : std::optional(found->second);
    };
}

TEST(DesktopChoice, IsTheSimulatedDesktopUnlessTheRealOneIsAskedFor) {
    std::string error;
    EXPECT_EQ(chooseDesktop(environment({}), error), DesktopKind::simulated);
    EXPECT_EQ(chooseDesktop(environment({{"ORVEL_DESKTOP", "simulated"}}), error),
              DesktopKind::simulated);
    EXPECT_EQ(chooseDesktop(environment({{"ORVEL_DESKTOP", "simulated"},
                                         {"ORVEL_SIM_DESKTOP", "/tmp/scenario.json"}}),
                            error),
              DesktopKind::simulated);
    EXPECT_EQ(chooseDesktop(environment({{"ORVEL_DESKTOP", "x11"}}), error), DesktopKind::x11);
}

TEST(DesktopChoice, RefusesUnknownDesktops) {
    std::string error;
    EXPECT_FALSE(chooseDesktop(environment({{"ORVEL_DESKTOP", "X11"}}), error))
        << "names are exact";
    EXPECT_EQ(error, "ORVEL_DESKTOP=X11 is not a desktop this program knows (\"simulated\" or "
                     "\"x11\")");
    EXPECT_FALSE(chooseDesktop(environment({{"ORVEL_DESKTOP", "wayland"}}), error));
}

TEST(DesktopChoice, RefusesTheRealDesktopTogetherWithASimulatedScenario) {
    std::string error;
    EXPECT_FALSE(chooseDesktop(
        environment({{"ORVEL_DESKTOP", "x11"}, {"ORVEL_SIM_DESKTOP", "/tmp/scenario.json"}}),
        error));
    EXPECT_EQ(error, "ORVEL_DESKTOP=x11 asks for the real desktop, but ORVEL_SIM_DESKTOP names a "
                     "simulated one; set only one of them");
}

} // namespace
} // namespace orvel::platform
