// The workspace of the simulated desktop: its running apps, activation as each app's
// `activation` mode has it, and opening addresses, which always succeeds and is written to the
// event log. Names are ordered by the user's locale's collation, as on a real desktop. Safe to
// call from any thread.
#pragma once

#include "platform/Workspace.hpp"
#include "platform/common/NameCollation.hpp"
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
    int localizedCaseInsensitiveCompare(const std::string& a, const std::string& b) override;

  private:
    DesktopCore& core_;
    const platform::NameCollation collation_ = platform::NameCollation::forEnvironment();
};

} // namespace orvel::sim
