// The program's own process and its parent, as the operating system reports them. Every
// desktop reports them the same way (the simulated desktop does not pretend here, so the
// parent watch works for real). Safe to call from any thread.
#pragma once

#include "platform/ProcessInfo.hpp"

namespace orvel::platform {

class PosixProcessInfo final : public ProcessInfo {
  public:
    std::int32_t ownPid() override;
    std::int32_t parentPid() override;
    bool probe(std::int32_t pid) override;
};

} // namespace orvel::platform
