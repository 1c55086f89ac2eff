// The workspace of the simulated desktop: its running apps, activation as each app's
// `activation` mode has it, and opening addresses, which always succeeds and is written to the
// event log. Safe to call from any thread.
#pragma once

#include "platform/Workspace.hpp"
#include "platform/sim/DesktopCore.hpp"

namespace orvel::sim {

class SimWorkspace final : public platform::Workspace {
  public:
    explicit SimWorkspace(DesktopCore& core) : core_(core) {}

    std::vector<platform::RunningApplication> runningApplications() override;
    std::optional<platform::RunningApplication> frontmostApplication() override;
    std::optional<platform::RunningApplication> runningApplication(std::int32_t pid) override;
    bool activate(std::int32_t pid, std::uint32_t options) override;
    bool openURL(const std::string& url) override;
    // Compares the case-folded canonical forms: equal when the names differ only in case.
    int localizedCaseInsensitiveCompare(const std::string& a, const std::string& b) override;

  private:
    DesktopCore& core_;
};

} // namespace orvel::sim
