#include "platform/linux/atspi/AtspiAccessibility.hpp"

#include "OrvelControlCore/Limits.hpp"
#include "platform/linux/atspi/AtspiCalls.hpp"
#include "platform/linux/atspi/AtspiElement.hpp"
#include "platform/linux/atspi/AtspiObservationReader.hpp"
#include "platform/linux/atspi/AtspiProtocol.hpp"
#include "platform/linux/atspi/BusError.hpp"
#include "platform/linux/atspi/CallBatch.hpp"
#include "platform/linux/atspi/ElementReader.hpp"
#include "platform/linux/atspi/ReplyReaders.hpp"

#include <algorithm>
#include <cmath>

namespace orvel::linuxdesktop {

namespace {

namespace ax = platform::ax;
using platform::AXAnswer;
using platform::ElementHandle;

Microseconds microseconds(double seconds) {
    return Microseconds(static_cast<Microseconds::rep>(std::llround(seconds * 1e6)));
}

const Microseconds defaultTimeout = microseconds(Limits::axTimeout);
// The application list serves the workspace, which must not wait long for a stopped
// application's name.
const Microseconds nameTimeout = microseconds(0.5);

// The element behind a handle when it denotes an accessible object; otherwise the status
// that every call through it answers.
const AtspiElement* objectOf(const ElementHandle& handle, std::int32_t& status) {
    const AtspiElement* element = AtspiElement::of(handle);
    if (element == nullptr) {
        status = ax::invalidElement;
        return nullptr;
    }
    switch (element->kind()) {
    case AtspiElement::Kind::object:
        return element;
    case AtspiElement::Kind::unresolved:
        status = element->status();
        return nullptr;
    case AtspiElement::Kind::systemWide:
        status = ax::cannotComplete;
        return nullptr;
    }
    status = ax::cannotComplete;
    return nullptr;
}

// The time one message may wait: the element's time-out, or the caller's bound when that is
// shorter (zero or less: one microsecond, so only an immediate answer counts).
Microseconds callTimeoutFor(const AtspiElement& element, platform::CallTimeout bound) {
    if (!bound) {
        return element.timeout();
    }
    if (!(*bound > 0)) {
        return Microseconds(1);
    }
    return std::min(element.timeout(),
                    std::max(microseconds(std::min(*bound, 1e6)), Microseconds(1)));
}

} // namespace

std::unique_ptr<AtspiAccessibility> AtspiAccessibility::fromEnvironment() {
    return std::make_unique<AtspiAccessibility>(
        AccessibilityBusAddress::fromEnvironment(defaultTimeout));
}

AtspiAccessibility::AtspiAccessibility(std::unique_ptr<AccessibilityBusAddress> address)
    : address_(std::move(address)), pool_(*address_, defaultTimeout),
      listener_(*address_, defaultTimeout) {
    prepareBusLibrary();
}

// libsystemd seeds the hash tables of every bus connection from one process-wide key that it
// fills the first time any table is made, without a lock: made here, while the service is
// still being built on one thread, it is in place before callers on several threads make
// theirs.
void AtspiAccessibility::prepareBusLibrary() {
    sd_bus* raw = nullptr;
    if (sd_bus_new(&raw) < 0) {
        return;
    }
    BusPtr bus(raw);
    sd_bus_slot* slot = nullptr;
    if (sd_bus_add_object(
            bus.get(), &slot, "/", [](sd_bus_message*, void*, sd_bus_error*) { return 0; },
            nullptr) >= 0) {
        sd_bus_slot_unref(slot);
    }
}

bool AtspiAccessibility::isProcessTrusted(bool prompt) {
    if (prompt) {
        address_->enableAccessibility();
        address_->retryAfterFailure();
    }
    auto bus = pool_.acquire();
    if (!bus) {
        return false;
    }
    auto owned =
        readBool((*bus)->call(calls::nameHasOwner(**bus, atspi::registryName), defaultTimeout));
    return owned.ok() && owned.value;
}

std::vector<std::int32_t> AtspiAccessibility::pidsOf(BusConnection& bus,
                                                     const std::vector<std::string>& names,
                                                     Microseconds timeout) {
    std::vector<std::int32_t> pids(names.size(), 0);
    CallBatch batch(bus);
    for (std::size_t index = 0; index < names.size(); ++index) {
        if (auto known = pids_.find(names[index])) {
            pids[index] = *known;
            continue;
        }
        batch.add(calls::connectionPid(bus, names[index]), timeout,
                  [this, &pids, &names, index](Reply reply) {
                      auto pid = readUint32(reply);
                      if (pid.ok() && pid.value > 0 && pid.value <= INT32_MAX) {
                          pids[index] = static_cast<std::int32_t>(pid.value);
                          pids_.remember(names[index], pids[index]);
                      }
                  });
    }
    batch.wait();
    return pids;
}

ElementHandle AtspiAccessibility::createApplication(std::int32_t pid) {
    auto bus = pool_.acquire();
    if (!bus) {
        return AtspiElement::unresolved(ax::cannotComplete);
    }
    auto applications =
        readObjectRefs((*bus)->call(calls::registryApplications(**bus), defaultTimeout));
    if (!applications.ok()) {
        return AtspiElement::unresolved(ax::cannotComplete);
    }
    std::vector<std::string> names;
    for (const auto& application : applications.value) {
        names.push_back(application.bus);
    }
    auto pids = pidsOf(**bus, names, defaultTimeout);
    for (std::size_t index = 0; index < pids.size(); ++index) {
        if (pids[index] == pid) {
            return AtspiElement::object(ObjectRef{names[index], atspi::rootPath}, defaultTimeout);
        }
    }
    return AtspiElement::unresolved(ax::invalidElement);
}

ElementHandle AtspiAccessibility::createSystemWide() {
    return AtspiElement::systemWide(defaultTimeout);
}

std::int32_t AtspiAccessibility::setMessagingTimeout(const ElementHandle& element, float seconds) {
    const AtspiElement* target = AtspiElement::of(element);
    if (target == nullptr) {
        return ax::invalidElement;
    }
    if (!std::isfinite(seconds) || seconds < 0) {
        return illegalArgument;
    }
    // Zero restores the default, as on the platform this interface models.
    target->setTimeout(seconds == 0 ? defaultTimeout : microseconds(seconds));
    return ax::success;
}

AXAnswer<platform::AXValue> AtspiAccessibility::copyAttributeValue(const ElementHandle& element,
                                                                   const std::string& attribute,
                                                                   platform::CallTimeout timeout) {
    std::int32_t status = ax::success;
    const AtspiElement* target = objectOf(element, status);
    if (target == nullptr) {
        return {status, {}};
    }
    auto bus = pool_.acquire();
    if (!bus) {
        return {ax::cannotComplete, {}};
    }
    return ElementReader(**bus, *target, callTimeoutFor(*target, timeout)).attribute(attribute);
}

AXAnswer<std::vector<std::string>>
AtspiAccessibility::copyActionNames(const ElementHandle& element, platform::CallTimeout timeout) {
    std::int32_t status = ax::success;
    const AtspiElement* target = objectOf(element, status);
    if (target == nullptr) {
        return {status, {}};
    }
    auto bus = pool_.acquire();
    if (!bus) {
        return {ax::cannotComplete, {}};
    }
    return ElementReader(**bus, *target, callTimeoutFor(*target, timeout)).offeredActions();
}

AXAnswer<bool> AtspiAccessibility::isAttributeSettable(const ElementHandle& element,
                                                       const std::string& attribute,
                                                       platform::CallTimeout timeout) {
    std::int32_t status = ax::success;
    const AtspiElement* target = objectOf(element, status);
    if (target == nullptr) {
        return {status, false};
    }
    auto bus = pool_.acquire();
    if (!bus) {
        return {ax::cannotComplete, false};
    }
    return ElementReader(**bus, *target, callTimeoutFor(*target, timeout)).isSettable(attribute);
}

std::int32_t AtspiAccessibility::setAttributeValue(const ElementHandle& element,
                                                   const std::string& attribute,
                                                   const std::string& value) {
    std::int32_t status = ax::success;
    const AtspiElement* target = objectOf(element, status);
    if (target == nullptr) {
        return status;
    }
    auto bus = pool_.acquire();
    if (!bus) {
        return ax::cannotComplete;
    }
    return ElementReader(**bus, *target, target->timeout()).setValue(attribute, value);
}

std::int32_t AtspiAccessibility::performAction(const ElementHandle& element,
                                               const std::string& action) {
    std::int32_t status = ax::success;
    const AtspiElement* target = objectOf(element, status);
    if (target == nullptr) {
        return status;
    }
    auto bus = pool_.acquire();
    if (!bus) {
        return ax::cannotComplete;
    }
    return ElementReader(**bus, *target, target->timeout()).perform(action);
}

AXAnswer<ElementHandle> AtspiAccessibility::copyElementAtPosition(const ElementHandle&, float,
                                                                  float) {
    return {ax::cannotComplete, {}};
}

AXAnswer<std::int32_t> AtspiAccessibility::getPid(const ElementHandle& element) {
    std::int32_t status = ax::success;
    const AtspiElement* target = objectOf(element, status);
    if (target == nullptr) {
        return {status, 0};
    }
    if (auto known = pids_.find(target->ref().bus)) {
        return {ax::success, *known};
    }
    auto bus = pool_.acquire();
    if (!bus) {
        return {ax::cannotComplete, 0};
    }
    auto pid =
        readUint32((*bus)->call(calls::connectionPid(**bus, target->ref().bus), target->timeout()));
    if (!pid.ok()) {
        return {pid.status, 0};
    }
    if (pid.value == 0 || pid.value > INT32_MAX) {
        return {generalFailure, 0};
    }
    auto value = static_cast<std::int32_t>(pid.value);
    pids_.remember(target->ref().bus, value);
    return {ax::success, value};
}

bool AtspiAccessibility::equal(const ElementHandle& a, const ElementHandle& b) {
    const AtspiElement* first = AtspiElement::of(a);
    const AtspiElement* second = AtspiElement::of(b);
    if (first == nullptr || second == nullptr) {
        return false;
    }
    if (first->kind() == AtspiElement::Kind::object &&
        second->kind() == AtspiElement::Kind::object) {
        return first->ref() == second->ref();
    }
    return first == second;
}

std::unique_ptr<platform::ObservationReader>
AtspiAccessibility::observationReader(const ElementHandle& window) {
    const AtspiElement* element = AtspiElement::of(window);
    if (element == nullptr || element->kind() != AtspiElement::Kind::object) {
        return nullptr;
    }
    listener_.ensure();
    return std::make_unique<AtspiObservationReader>(pool_, element->ref().bus, element->timeout());
}

std::vector<AccessibleApplication> AtspiAccessibility::accessibleApplications() {
    auto bus = pool_.acquire();
    if (!bus) {
        return {};
    }
    auto applications =
        readObjectRefs((*bus)->call(calls::registryApplications(**bus), defaultTimeout));
    if (!applications.ok()) {
        return {};
    }
    std::vector<std::string> names;
    for (const auto& application : applications.value) {
        names.push_back(application.bus);
    }
    auto pids = pidsOf(**bus, names, nameTimeout);
    std::vector<std::optional<std::string>> titles(names.size());
    CallBatch batch(**bus);
    for (std::size_t index = 0; index < names.size(); ++index) {
        batch.add(calls::name(**bus, applications.value[index]), nameTimeout,
                  [&titles, index](Reply reply) {
                      auto name = readVariantString(reply);
                      if (name.ok() && !name.value.empty()) {
                          titles[index] = std::move(name.value);
                      }
                  });
    }
    batch.wait();
    std::vector<AccessibleApplication> result;
    for (std::size_t index = 0; index < names.size(); ++index) {
        if (pids[index] > 0) {
            result.push_back(AccessibleApplication{pids[index], std::move(titles[index])});
        }
    }
    return result;
}

} // namespace orvel::linuxdesktop
