#include "TargetPolicy.hpp"

#include "OrvelControlCore/Text.hpp"
#include "ProductIdentity.hpp"

#include <algorithm>
#include <cstdlib>

namespace orvel {

namespace {

const char* const ownControlSurface = "Orvel Rire kan ikke styre sin egen kontrollflate.";

} // namespace

std::string TargetPolicy::ownerBundleFromEnvironment() {
    const char* configured = std::getenv("ORVEL_CONTROL_OWNER_BUNDLE");
    return configured != nullptr ? std::string(configured) : std::string(product::ownerBundle);
}

TargetPolicy::TargetPolicy(platform::TargetRules rules, std::string ownerBundle,
                           std::set<std::int32_t> ownerPids)
    : rules_(std::move(rules)), ownerBundle_(std::move(ownerBundle)),
      ownerPids_(std::move(ownerPids)) {
    for (const auto& fragment : rules_.deniedNameFragments) {
        foldedFragments_.push_back(text::folded(fragment));
    }
    for (const auto& name : rules_.deniedNames) {
        foldedNames_.insert(text::folded(name));
    }
    for (const auto& identifier : rules_.deniedIdentifiers) {
        composedIdentifiers_.insert(text::nfc(identifier));
    }
}

std::optional<std::string> TargetPolicy::denial(const std::optional<std::string>& bundleId,
                                                const std::string& name, std::int32_t pid) const {
    std::string bundle = bundleId.value_or("");
    if (ownerPids_.contains(pid) || text::canonicallyEqual(bundle, ownerBundle_)) {
        return ownControlSurface;
    }
    if (composedIdentifiers_.contains(text::nfc(bundle))) {
        return rules_.outOfReachPrefix + bundle + ".";
    }
    return deniedName(name);
}

std::optional<std::string> TargetPolicy::deniedName(const std::string& name) const {
    const std::string folded = text::folded(name);
    const bool denied =
        foldedNames_.contains(folded) ||
        std::any_of(foldedFragments_.begin(), foldedFragments_.end(), [&](const auto& fragment) {
            return folded.find(fragment) != std::string::npos;
        });
    if (denied) {
        return rules_.outOfReachPrefix + name + ".";
    }
    return std::nullopt;
}

} // namespace orvel
