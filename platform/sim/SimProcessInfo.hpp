// The program's own process and its parent, as the operating system reports them: the
// simulated desktop does not pretend here, so the parent watch works for real. Safe to call
// from any thread.
#pragma once

#include "platform/ProcessInfo.hpp"

namespace orvel::sim {

class SimProcessInfo final : public platform::ProcessInfo {
  public:
    std::int32_t ownPid() override;
    std::int32_t parentPid() override;
    bool probe(std::int32_t pid) override;
};

} // namespace orvel::sim
