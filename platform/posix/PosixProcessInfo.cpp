#include "platform/posix/PosixProcessInfo.hpp"

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace orvel::platform {

std::int32_t PosixProcessInfo::ownPid() {
    return static_cast<std::int32_t>(::getpid());
}

std::int32_t PosixProcessInfo::parentPid() {
    return static_cast<std::int32_t>(::getppid());
}

bool PosixProcessInfo::probe(std::int32_t pid) {
    // kill(0 or negative) would address process groups, never one process.
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == 0;
}

} // namespace orvel::platform
