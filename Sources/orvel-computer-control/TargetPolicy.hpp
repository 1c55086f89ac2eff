// The applications that must never be observed or driven, whatever the client asks:
// terminals, the login window, the screen saver, authentication and keychain dialogs, the
// system settings, and the program's own owner. Answers with the Norwegian refusal, or with
// nothing when the application may be controlled.
//
// Immutable once built; `denial` may be called from any thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>

namespace orvel {

class TargetPolicy {
  public:
    static const std::set<std::string>& deniedBundles();
    static const std::array<const char*, 10>& deniedNameFragments();

    // The owner bundle is `ORVEL_CONTROL_OWNER_BUNDLE` when set (even empty), otherwise the
    // product's own desktop app.
    static std::string ownerBundleFromEnvironment();

    TargetPolicy(std::string ownerBundle, std::set<std::int32_t> ownerPids);

    const std::string& ownerBundle() const { return ownerBundle_; }
    const std::set<std::int32_t>& ownerPids() const { return ownerPids_; }

    std::optional<std::string> denial(const std::optional<std::string>& bundleId,
                                      const std::string& name, std::int32_t pid) const;

  private:
    std::string ownerBundle_;
    std::set<std::int32_t> ownerPids_;
};

} // namespace orvel
