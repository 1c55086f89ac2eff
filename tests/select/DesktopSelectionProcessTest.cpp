// The program's start-up choice of desktop, seen from outside: refusals are one line on
// standard error and status 2 before any request is read; the simulated desktop answers as
// before. No test here opens a display: the one asked for does not exist.
#include "OrvelControlCore/Json.hpp"
#include "platform/ChildProcess.hpp"

#include <gtest/gtest.h>

#include <chrono>

namespace orvel {
namespace {

using namespace std::chrono_literals;

struct Ending {
    std::optional<int> status;
    std::string error;
};

// Starts the program, offers it a request, and reports how it ended.
Ending run(const std::map<std::string, std::string>& environment) {
    auto child = platform::ChildProcess::start(ORVEL_BINARY_PATH, {}, environment);
    if (!child) {
        ADD_FAILURE() << "could not start the program";
        return {};
    }
    child->write("{\"id\":\"r1\",\"op\":\"ping\"}\n");
    auto line = child->readLine(5s);
    Ending ending;
    ending.status = child->waitForExit(5s);
    ending.error = child->errorOutput();
    EXPECT_FALSE(line.has_value()) << "answered " << *line;
    return ending;
}

// A display number nobody serves.
constexpr const char* nowhere = ":65123";

TEST(DesktopSelection, RefusesAnUnknownDesktop) {
    auto ending = run({{"ORVEL_DESKTOP", "mac"}});
    EXPECT_EQ(ending.status, 2);
    EXPECT_EQ(ending.error, "orvel-computer-control: ORVEL_DESKTOP=mac is not a desktop this "
                            "program knows (\"simulated\" or \"x11\")\n");
}

TEST(DesktopSelection, RefusesTheRealDesktopWithASimulatedScenario) {
    auto ending = run({{"ORVEL_DESKTOP", "x11"},
                       {"ORVEL_SIM_DESKTOP", std::string(ORVEL_SCENARIO_DIR) + "/default.json"},
                       {"DISPLAY", nowhere}});
    EXPECT_EQ(ending.status, 2);
    EXPECT_NE(ending.error.find("set only one of them"), std::string::npos) << ending.error;
}

TEST(DesktopSelection, RefusesADisplayThatCannotBeOpened) {
    auto ending = run({{"ORVEL_DESKTOP", "x11"}, {"DISPLAY", nowhere}});
    EXPECT_EQ(ending.status, 2);
#if ORVEL_HAVE_LINUX_DESKTOP
    EXPECT_EQ(ending.error, std::string("orvel-computer-control: cannot open the X display \"") +
                                nowhere + "\"\n");
#else
    EXPECT_NE(ending.error.find("this build has no Linux desktop"), std::string::npos);
#endif
}

TEST(DesktopSelection, RefusesAWaylandSessionWithoutAnXServer) {
    auto ending =
        run({{"ORVEL_DESKTOP", "x11"}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", "wayland-0"}});
    EXPECT_EQ(ending.status, 2);
#if ORVEL_HAVE_LINUX_DESKTOP
    EXPECT_NE(ending.error.find("Wayland session without an X server"), std::string::npos)
        << ending.error;
#endif
}

TEST(DesktopSelection, KeepsTheSimulatedDesktopTheDefault) {
    for (const auto& environment : std::vector<std::map<std::string, std::string>>{
             {{"ORVEL_DESKTOP", ""}, {"DISPLAY", nowhere}},
             {{"ORVEL_DESKTOP", "simulated"}, {"DISPLAY", nowhere}}}) {
        auto child = platform::ChildProcess::start(ORVEL_BINARY_PATH, {}, environment);
        ASSERT_TRUE(child);
        child->write("{\"id\":\"r1\",\"op\":\"apps.list\"}\n");
        auto answer = Json::parse(child->readLine(5s).value_or("null"), nullptr, false);
        EXPECT_EQ(answer["ok"], true) << answer.dump();
        EXPECT_FALSE(answer["result"]["apps"].empty()) << "the built-in scenario's apps";
        child->closeInput();
        EXPECT_EQ(child->waitForExit(5s), 0);
    }
}

} // namespace
} // namespace orvel
