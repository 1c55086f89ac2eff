// The applications that must never be observed or driven, whatever the client asks: the
// program's own owner and the desktop's out-of-reach applications (terminals, the login window,
// screen savers and lockers, authentication and keychain dialogs, the system settings: the
// platform profile lists them). Answers with the Norwegian refusal, or with nothing when the
// application may be controlled. Names are compared in their folded form, so that letter case,
// full-width or styled letters, accents and invisible characters cannot smuggle a terminal past
// the name test; identifiers are compared in their canonical composition (NFC), as equivalent
// spellings name the same application.
//
// Immutable once built; `denial` may be called from any thread.
#pragma once

#include "platform/PlatformProfile.hpp"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace orvel {

class TargetPolicy {
  public:
    // The owner bundle is `ORVEL_CONTROL_OWNER_BUNDLE` when set (even empty), otherwise the
    // product's own desktop app.
    static std::string ownerBundleFromEnvironment();

    TargetPolicy(platform::TargetRules rules, std::string ownerBundle,
                 std::set<std::int32_t> ownerPids);

    const std::string& ownerBundle() const { return ownerBundle_; }
    const std::set<std::int32_t>& ownerPids() const { return ownerPids_; }

    std::optional<std::string> denial(const std::optional<std::string>& bundleId,
                                      const std::string& name, std::int32_t pid) const;

  private:
    std::optional<std::string> deniedName(const std::string& name) const;

    platform::TargetRules rules_;
    std::vector<std::string> foldedFragments_;
    std::set<std::string> foldedNames_;
    std::set<std::string> composedIdentifiers_; // the denied identifiers, NFC
    std::string ownerBundle_;
    std::set<std::int32_t> ownerPids_;
};

} // namespace orvel
