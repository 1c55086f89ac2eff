// What /proc says about a process: the start time out of a stat line whose command name may
// hold anything, the boot time, and the name a person knows the program by.
#include "platform/linux/proc/ProcessFacts.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <unistd.h>

namespace orvel::linuxdesktop {
namespace {

// Field 22 is the start time; fields 3 to 21 here are 1..19.
std::string statLine(const std::string& command) {
    std::string line = "4242 (" + command + ")";
    for (int field = 3; field <= 21; ++field) {
        line += " " + std::to_string(field - 2);
    }
    return line + " 987654 5 6 7\n";
}

TEST(ProcessFacts, ReadTheStartTimeAfterTheLastParenthesisOfTheCommand) {
    EXPECT_EQ(startTicks(statLine("bash")), 987654U);
    EXPECT_EQ(startTicks(statLine("a) b (c) 1 2 3")), 987654U);
    EXPECT_FALSE(startTicks("4242 (short) S 1 2"));
    EXPECT_FALSE(startTicks("no parenthesis at all"));
}

TEST(ProcessFacts, ReadTheBootTimeLine) {
    EXPECT_EQ(bootTime("cpu  1 2 3\nintr 5\nbtime 1765000000\nprocesses 9\n"), 1765000000);
    EXPECT_FALSE(bootTime("cpu 1 2 3\n"));
    EXPECT_FALSE(bootTime("btime soon\n"));
}

TEST(ProcessFacts, NameTheExecutableUnlessTheProcessRenamedItself) {
    EXPECT_EQ(displayName("gtk3-widget-fac", "gtk3-widget-factory"), "gtk3-widget-factory");
    EXPECT_EQ(displayName("orvel-test-app", "python3.11"), "orvel-test-app");
    EXPECT_EQ(displayName("xterm", ""), "xterm");
}

TEST(ProcessFacts, DescribeThisVeryProcess) {
    auto facts = processFacts(static_cast<std::int32_t>(getpid()));
    ASSERT_TRUE(facts.has_value());
    EXPECT_EQ(facts->executable, "OrvelLinuxTests");
    ASSERT_TRUE(facts->startedAt.has_value());
    const double now =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    EXPECT_LE(*facts->startedAt, now + 1);
    EXPECT_GT(*facts->startedAt, now - 3600) << "this test binary started moments ago";
    EXPECT_FALSE(processFacts(0));
    EXPECT_FALSE(processFacts(-1));
}

} // namespace
} // namespace orvel::linuxdesktop
