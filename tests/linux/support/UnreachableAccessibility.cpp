#include "linux/support/UnreachableAccessibility.hpp"

#include <memory>

namespace orvel::testing {

namespace {

template <class T> platform::AXAnswer<T> disabled() {
    return platform::AXAnswer<T>{platform::ax::apiDisabled, T{}};
}

} // namespace

bool UnreachableAccessibility::isProcessTrusted(bool) {
    return false;
}

platform::ElementHandle UnreachableAccessibility::createApplication(std::int32_t pid) {
    return platform::ElementHandle(std::make_shared<const std::int32_t>(pid));
}

platform::ElementHandle UnreachableAccessibility::createSystemWide() {
    return platform::ElementHandle(std::make_shared<const std::int32_t>(0));
}

std::int32_t UnreachableAccessibility::setMessagingTimeout(const platform::ElementHandle&, float) {
    return platform::ax::success;
}

platform::AXAnswer<platform::AXValue>
UnreachableAccessibility::copyAttributeValue(const platform::ElementHandle&, const std::string&,
                                             platform::CallTimeout) {
    return disabled<platform::AXValue>();
}

platform::AXAnswer<std::vector<std::string>>
UnreachableAccessibility::copyActionNames(const platform::ElementHandle&, platform::CallTimeout) {
    return disabled<std::vector<std::string>>();
}

platform::AXAnswer<bool>
UnreachableAccessibility::isAttributeSettable(const platform::ElementHandle&, const std::string&,
                                              platform::CallTimeout) {
    return disabled<bool>();
}

std::int32_t UnreachableAccessibility::setAttributeValue(const platform::ElementHandle&,
                                                         const std::string&, const std::string&) {
    return platform::ax::apiDisabled;
}

std::int32_t UnreachableAccessibility::performAction(const platform::ElementHandle&,
                                                     const std::string&) {
    return platform::ax::apiDisabled;
}

platform::AXAnswer<platform::ElementHandle>
UnreachableAccessibility::copyElementAtPosition(const platform::ElementHandle&, float, float) {
    return disabled<platform::ElementHandle>();
}

platform::AXAnswer<std::int32_t> UnreachableAccessibility::getPid(const platform::ElementHandle&) {
    return disabled<std::int32_t>();
}

bool UnreachableAccessibility::equal(const platform::ElementHandle& a,
                                     const platform::ElementHandle& b) {
    return a.raw() == b.raw();
}

std::vector<linuxdesktop::AccessibleApplication>
UnreachableAccessibility::accessibleApplications() {
    return {};
}

} // namespace orvel::testing
