// The program's own process and its parent. Safe to call from any thread.
#pragma once

#include <cstdint>

namespace orvel::platform {

class ProcessInfo {
  public:
    virtual ~ProcessInfo() = default;

    // getpid and getppid.
    virtual std::int32_t ownPid() = 0;
    virtual std::int32_t parentPid() = 0;

    // kill with signal 0: true while the process exists and may be signalled.
    virtual bool probe(std::int32_t pid) = 0;
};

} // namespace orvel::platform
