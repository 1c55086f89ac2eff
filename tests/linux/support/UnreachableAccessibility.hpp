// The accessibility service of a Linux desktop whose accessibility bus is not reached: the
// process is not trusted, every element call answers that accessibility is disabled, and the
// bus lists no application. The program then lists and captures windows and refuses to
// observe or operate them, with the desktop's own text for a silent accessibility bus.
//
// A test double: the Linux desktop's suites that are not about accessibility run with it, so
// that they depend on no accessibility bus. Safe from any thread.
#pragma once

#include "platform/AccessibilityService.hpp"
#include "platform/linux/AccessibleApplications.hpp"

namespace orvel::testing {

class UnreachableAccessibility final : public platform::AccessibilityService,
                                       public linuxdesktop::AccessibleApplications {
  public:
    bool isProcessTrusted(bool prompt) override;
    platform::ElementHandle createApplication(std::int32_t pid) override;
    platform::ElementHandle createSystemWide() override;
    std::int32_t setMessagingTimeout(const platform::ElementHandle& element,
                                     float seconds) override;
    using platform::AccessibilityService::copyActionNames;
    using platform::AccessibilityService::copyAttributeValue;
    using platform::AccessibilityService::isAttributeSettable;
    platform::AXAnswer<platform::AXValue>
    copyAttributeValue(const platform::ElementHandle& element, const std::string& attribute,
                       platform::CallTimeout timeout) override;
    platform::AXAnswer<std::vector<std::string>>
    copyActionNames(const platform::ElementHandle& element, platform::CallTimeout timeout) override;
    platform::AXAnswer<bool> isAttributeSettable(const platform::ElementHandle& element,
                                                 const std::string& attribute,
                                                 platform::CallTimeout timeout) override;
    std::int32_t setAttributeValue(const platform::ElementHandle& element,
                                   const std::string& attribute, const std::string& value) override;
    std::int32_t performAction(const platform::ElementHandle& element,
                               const std::string& action) override;
    platform::AXAnswer<platform::ElementHandle>
    copyElementAtPosition(const platform::ElementHandle& systemWide, float x, float y) override;
    platform::AXAnswer<std::int32_t> getPid(const platform::ElementHandle& element) override;
    bool equal(const platform::ElementHandle& a, const platform::ElementHandle& b) override;

    std::vector<linuxdesktop::AccessibleApplication> accessibleApplications() override;
};

} // namespace orvel::testing
