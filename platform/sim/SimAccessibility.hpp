// The accessibility service of the simulated desktop. Every message costs the latency of its
// app plus that of its element, slept on the caller's thread with no lock held; a message whose
// latency exceeds the messaging time-out in force answers "cannot complete" once the time-out
// has passed, and a change it asked for (an action, a value) still happens when the app gets to
// it, as with a busy app on the real desktop. A read bounded by its own time-out gives up after
// the shorter of that and the handle's. While the process is not trusted, every message
// answers "API disabled".
//
// Safe to call from any thread.
#pragma once

#include "platform/AccessibilityService.hpp"
#include "platform/sim/DesktopCore.hpp"
#include "platform/sim/ElementRef.hpp"

#include <functional>

namespace orvel::sim {

// kAXErrorIllegalArgument.
inline constexpr std::int32_t axIllegalArgument = -25201;

class SimAccessibility final : public platform::AccessibilityService {
  public:
    explicit SimAccessibility(DesktopCore& core) : core_(core) {}

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

  private:
    // How a message would travel: refused at once with a status, or answered after a latency.
    struct Route {
        std::int32_t refusal = platform::ax::success;
        double latency = 0;
    };
    using Mutation = std::function<std::int32_t(DesktopState&, Outbox&)>;

    const ElementRef* refOf(const platform::ElementHandle& handle) const;
    static std::int32_t badHandle(const platform::ElementHandle& handle);
    Route routeTo(const ElementTarget& target) const;
    // Waits out the route, for at most the time-out in force (the handle's, shortened by the
    // call's own); the status to answer with, or success when the answer may be read.
    static std::int32_t travel(const Route& route, const ElementRef& ref,
                               platform::CallTimeout timeout = std::nullopt);
    // Sends a change: applied now, or later when the route outlasts the time-out.
    std::int32_t sendChange(const ElementRef& ref, Mutation mutation);

    template <class Value, class Read>
    platform::AXAnswer<Value> ask(const platform::ElementHandle& handle,
                                  platform::CallTimeout timeout, Read read);

    DesktopCore& core_;
};

} // namespace orvel::sim
