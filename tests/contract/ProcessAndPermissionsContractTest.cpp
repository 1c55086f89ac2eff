// What the engine relies on from the permission checks, the process facts and the pointer:
// on the contract desktops the program may capture and watch input, knows its own pid and
// its parent's, probes pids without signalling anyone, and knows where the pointer is.
#include "contract/ContractDesktops.hpp"

#include <unistd.h>

namespace orvel::contract {
namespace {

class ProcessAndPermissionsContract : public ContractTest {};

TEST_P(ProcessAndPermissionsContract, ScreenRecordingAndInputMonitoringAreAvailable) {
    EXPECT_TRUE(platform().privacy.preflightScreenCaptureAccess());
    EXPECT_TRUE(platform().privacy.requestScreenCaptureAccess());
    EXPECT_EQ(platform().privacy.checkAccess(platform::hidaccess::listenEvent),
              platform::hidaccess::granted);
}

TEST_P(ProcessAndPermissionsContract, KnowsItsOwnProcessAndItsParent) {
    auto& process = platform().process;
    EXPECT_EQ(process.ownPid(), static_cast<std::int32_t>(getpid()));
    EXPECT_EQ(process.parentPid(), static_cast<std::int32_t>(getppid()));
    EXPECT_TRUE(process.probe(process.ownPid()));
    EXPECT_FALSE(process.probe(0)) << "0 would address a process group";
    EXPECT_FALSE(process.probe(-1));
}

TEST_P(ProcessAndPermissionsContract, KnowsWhereThePointerIs) {
    EXPECT_TRUE(platform().events.currentPointerLocation().has_value());
}

ORVEL_CONTRACT_SUITE(ProcessAndPermissionsContract);

} // namespace
} // namespace orvel::contract
