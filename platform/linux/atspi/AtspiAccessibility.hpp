// The Linux desktop's accessibility service: other applications' elements read and operated
// over the AT-SPI2 accessibility bus through sd-bus, in the vocabulary of the program's
// accessibility interface. It also tells the workspace which applications the bus knows.
//
// Every call goes over a connection of the calling thread's own and waits at most the
// messaging time-out of the element it goes through (Limits::axTimeout unless set);
// elements read through an element inherit its time-out. A stopped application answers
// cannotComplete when that time has passed; a vanished one invalidElement.
//
// Observations read many elements at once (AtspiObservationReader), through the
// applications' bulk read, which the service switches on by keeping one event listener
// registered from its first trust check on.
//
// Given the screen's windows (ScreenWindows), it answers for a point of the screen (the hit
// test: the front-most window there, then the deepest accessible object at the point in it)
// and offers "AXRaise" on top-level windows. Without them, copyElementAtPosition answers
// cannotComplete and "AXRaise" is not offered. Every read through the system-wide element
// answers cannotComplete: it stands for the screen, not for an object.
//
// Threading: safe from any thread; no lock is held while a call waits for the bus.
#pragma once

#include "platform/AccessibilityService.hpp"
#include "platform/linux/AccessibleApplications.hpp"
#include "platform/linux/ScreenWindows.hpp"
#include "platform/linux/atspi/AccessibilityBusAddress.hpp"
#include "platform/linux/atspi/ConnectionPool.hpp"
#include "platform/linux/atspi/ListenerRegistration.hpp"
#include "platform/linux/atspi/ObjectRef.hpp"
#include "platform/linux/atspi/PidCache.hpp"

#include <memory>

namespace orvel::linuxdesktop {

class AtspiAccessibility final : public platform::AccessibilityService,
                                 public AccessibleApplications {
  public:
    // The bus of AT_SPI_BUS_ADDRESS, or the one the session bus's launcher names.
    static std::unique_ptr<AtspiAccessibility>
    fromEnvironment(std::shared_ptr<ScreenWindows> screen = nullptr);
    explicit AtspiAccessibility(std::unique_ptr<AccessibilityBusAddress> address,
                                std::shared_ptr<ScreenWindows> screen = nullptr);

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
    std::unique_ptr<platform::ObservationReader>
    observationReader(const platform::ElementHandle& window) override;

    std::vector<AccessibleApplication> accessibleApplications() override;

  private:
    static void prepareBusLibrary();
    // The pid of each named connection, asked of the bus together for those not yet known;
    // 0 where the bus could not tell.
    std::vector<std::int32_t> pidsOf(BusConnection& bus, const std::vector<std::string>& names,
                                     Microseconds timeout);

    // The application object of process `pid`, or the status that tells why there is none.
    platform::AXAnswer<ObjectRef> applicationOf(std::int32_t pid);

    std::unique_ptr<AccessibilityBusAddress> address_;
    const std::shared_ptr<ScreenWindows> screen_;
    ConnectionPool pool_;
    ListenerRegistration listener_;
    PidCache pids_;
};

} // namespace orvel::linuxdesktop
