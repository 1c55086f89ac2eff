#include "platform/linux/atspi/AccessibilityBusAddress.hpp"

#include "platform/linux/atspi/AtspiCalls.hpp"
#include "platform/linux/atspi/ReplyReaders.hpp"

#include <cstdlib>

namespace orvel::linuxdesktop {

AccessibilityBusAddress::AccessibilityBusAddress(std::optional<std::string> fixed,
                                                 Microseconds timeout)
    : fixed_(std::move(fixed)), timeout_(timeout) {}

std::unique_ptr<AccessibilityBusAddress>
AccessibilityBusAddress::fromEnvironment(Microseconds timeout) {
    const char* fixed = std::getenv("AT_SPI_BUS_ADDRESS");
    if (fixed != nullptr && *fixed != '\0') {
        return std::make_unique<AccessibilityBusAddress>(std::string(fixed), timeout);
    }
    return std::make_unique<AccessibilityBusAddress>(std::nullopt, timeout);
}

std::optional<std::string> AccessibilityBusAddress::address() {
    if (fixed_) {
        return fixed_;
    }
    std::lock_guard guard(lock_);
    if (!asked_) {
        answer_ = askLauncher();
        asked_ = true;
    }
    return answer_;
}

void AccessibilityBusAddress::retryAfterFailure() {
    std::lock_guard guard(lock_);
    if (!answer_) {
        asked_ = false;
    }
}

std::optional<std::string> AccessibilityBusAddress::askLauncher() {
    std::string error;
    auto session = BusConnection::openSession(timeout_, error);
    if (!session) {
        return std::nullopt;
    }
    auto answer = readString(session->call(calls::launcherAddress(*session), timeout_));
    if (!answer.ok() || answer.value.empty()) {
        return std::nullopt;
    }
    return answer.value;
}

bool AccessibilityBusAddress::enableAccessibility() {
    std::string error;
    auto session = BusConnection::openSession(timeout_, error);
    if (!session) {
        return false;
    }
    return session->call(calls::enableAccessibility(*session), timeout_).ok();
}

} // namespace orvel::linuxdesktop
