// Where the accessibility bus is: AT_SPI_BUS_ADDRESS when set, otherwise the answer of the
// session bus's launcher (org.a11y.Bus.GetAddress). The launcher is asked once and its
// answer kept: asking repeatedly while no launcher runs would have the session bus start
// one each time.
//
// Threading: one mutex guards the resolution; callers may ask from any thread.
#pragma once

#include "platform/linux/atspi/BusConnection.hpp"

#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace orvel::linuxdesktop {

class AccessibilityBusAddress {
  public:
    // `fixed` set: that address, the session bus is never asked (AT_SPI_BUS_ADDRESS).
    explicit AccessibilityBusAddress(std::optional<std::string> fixed, Microseconds timeout);

    static std::unique_ptr<AccessibilityBusAddress> fromEnvironment(Microseconds timeout);

    // The address; none when the session bus could not tell.
    std::optional<std::string> address();

    // Forgets a failed answer so that the next call asks once more (after accessibility
    // has been switched on).
    void retryAfterFailure();

    // Sets org.a11y.Status.IsEnabled on the session bus; true when the launcher accepted it.
    bool enableAccessibility();

  private:
    std::optional<std::string> askLauncher();

    const std::optional<std::string> fixed_;
    const Microseconds timeout_;
    std::mutex lock_;
    bool asked_ = false;                // guarded by lock_
    std::optional<std::string> answer_; // guarded by lock_
};

} // namespace orvel::linuxdesktop
