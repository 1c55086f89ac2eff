#include "platform/linux/atspi/AtspiAccessibility.hpp"

#include "OrvelControlCore/Limits.hpp"
#include "platform/linux/atspi/AtspiCalls.hpp"
#include "platform/linux/atspi/AtspiElement.hpp"
#include "platform/linux/atspi/AtspiObservationReader.hpp"
#include "platform/linux/atspi/AtspiProtocol.hpp"
#include "platform/linux/atspi/BusError.hpp"
#include "platform/linux/atspi/CallBatch.hpp"
#include "platform/linux/atspi/ElementReader.hpp"
#include "platform/linux/atspi/PointHitTest.hpp"
#include "platform/linux/atspi/RaisableWindowReader.hpp"
#include "platform/linux/atspi/ReplyReaders.hpp"
#include "platform/linux/atspi/WindowRaising.hpp"

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

std::unique_ptr<AtspiAccessibility>
AtspiAccessibility::fromEnvironment(std::shared_ptr<ScreenWindows> screen) {
    return std::make_unique<AtspiAccessibility>(
        AccessibilityBusAddress::fromEnvironment(defaultTimeout), std::move(screen));
}

AtspiAccessibility::AtspiAccessibility(std::unique_ptr<AccessibilityBusAddress> address,
                                       std::shared_ptr<ScreenWindows> screen)
    : address_(std::move(address)), screen_(std::move(screen)), pool_(*address_, defaultTimeout),
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

AXAnswer<ObjectRef> AtspiAccessibility::applicationOf(std::int32_t pid) {
    auto bus = pool_.acquire();
    if (!bus) {
        return {ax::cannotComplete, {}};
    }
    auto applications =
        readObjectRefs((*bus)->call(calls::registryApplications(**bus), defaultTimeout));
    if (!applications.ok()) {
        return {ax::cannotComplete, {}};
    }
    std::vector<std::string> names;
    for (const auto& application : applications.value) {
        names.push_back(application.bus);
    }
    auto pids = pidsOf(**bus, names, defaultTimeout);
    for (std::size_t index = 0; index < pids.size(); ++index) {
        if (pids[index] == pid) {
            return {ax::success, ObjectRef{names[index], atspi::rootPath}};
        }
    }
    return {ax::invalidElement, {}};
}

ElementHandle AtspiAccessibility::createApplication(std::int32_t pid) {
    auto application = applicationOf(pid);
    if (!application.ok()) {
        return AtspiElement::unresolved(application.status);
    }
    return AtspiElement::object(std::move(application.value), defaultTimeout);
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
    const Microseconds callTimeout = callTimeoutFor(*target, timeout);
    auto offered = ElementReader(**bus, *target, callTimeout).offeredActions();
    if (!offered.ok() || !screen_) {
        return offered;
    }
    bool raisable = false;
    if (std::int32_t status = raisableWindow(**bus, target->ref(), callTimeout, raisable);
        status != ax::success) {
        return {status, {}};
    }
    if (raisable &&
        std::find(offered.value.begin(), offered.value.end(), "AXRaise") == offered.value.end()) {
        offered.value.push_back("AXRaise");
    }
    return offered;
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
    if (action == "AXRaise" && screen_) {
        auto pid = getPid(element);
        if (!pid.ok()) {
            return pid.status;
        }
        return raiseWindow(**bus, target->ref(), pid.value, *screen_, target->timeout());
    }
    return ElementReader(**bus, *target, target->timeout()).perform(action);
}

// The element at a point of the screen, asked of the system-wide element or of an
// application (which answers only for a point where one of its windows is in front).
AXAnswer<ElementHandle> AtspiAccessibility::copyElementAtPosition(const ElementHandle& origin,
                                                                  float x, float y) {
    const AtspiElement* element = AtspiElement::of(origin);
    if (element == nullptr) {
        return {ax::invalidElement, {}};
    }
    if (element->kind() == AtspiElement::Kind::unresolved) {
        return {element->status(), {}};
    }
    if (!std::isfinite(x) || !std::isfinite(y)) {
        return {illegalArgument, {}};
    }
    if (!screen_) {
        return {ax::cannotComplete, {}};
    }
    const Point point{x, y};
    auto window = screen_->topmostAt(point);
    if (!window || window->pid <= 0) {
        return {ax::cannotComplete, {}};
    }
    auto application = applicationOf(window->pid);
    if (!application.ok()) {
        return {ax::cannotComplete, {}};
    }
    if (element->kind() == AtspiElement::Kind::object &&
        element->ref().bus != application.value.bus) {
        return {ax::cannotComplete, {}};
    }
    auto bus = pool_.acquire();
    if (!bus) {
        return {ax::cannotComplete, {}};
    }
    auto hit = elementAtPoint(**bus, application.value.bus, *window, point, element->timeout());
    if (!hit.ok()) {
        return {hit.status, {}};
    }
    return {ax::success, AtspiElement::object(std::move(hit.value), element->timeout())};
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
    auto reader =
        std::make_unique<AtspiObservationReader>(pool_, element->ref().bus, element->timeout());
    if (!screen_) {
        return reader;
    }
    auto bus = pool_.acquire();
    bool raisable = false;
    if (!bus ||
        raisableWindow(**bus, element->ref(), element->timeout(), raisable) != ax::success ||
        !raisable) {
        return reader;
    }
    return std::make_unique<RaisableWindowReader>(std::move(reader), window);
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
