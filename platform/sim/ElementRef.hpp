// What a simulated accessibility handle holds: the element it denotes, the desktop that made
// it, and its messaging time-out. A time-out set on a handle applies to messages through that
// handle; a handle that was handed out by reading another one (a window from "AXWindows", a
// child, the element at a position) starts with the time-out in force for the handle it was
// read through, as elements read through an application element are bounded by that
// application's time-out. Without any, messages wait the platform's 6 seconds.
//
// Handles are shared between threads; the time-out cells are atomic.
#pragma once

#include "platform/ElementHandle.hpp"
#include "platform/sim/ElementTarget.hpp"

#include <atomic>
#include <memory>

namespace orvel::sim {

inline constexpr double defaultMessagingTimeout = 6.0;

// A time-out in seconds; unset until a positive value is stored.
class MessagingTimeout {
  public:
    void set(double seconds) { seconds_.store(seconds); }
    void reset() { seconds_.store(unset); }
    bool isSet() const { return seconds_.load() > 0; }
    double seconds() const { return seconds_.load(); }

  private:
    static constexpr double unset = -1;
    std::atomic<double> seconds_{unset};
};

struct ElementRef {
    std::weak_ptr<const void> desktop;
    ElementTarget target;
    std::shared_ptr<MessagingTimeout> own = std::make_shared<MessagingTimeout>();
    std::shared_ptr<MessagingTimeout>
        inherited; // the cell in force for the handle it was read through

    double timeoutSeconds() const;
};

// A new handle to `target`, made by `desktop`, inheriting the time-out of `readThrough` when given.
platform::ElementHandle makeHandle(const std::shared_ptr<const void>& desktop,
                                   const ElementTarget& target,
                                   const ElementRef* readThrough = nullptr);

// The reference inside a handle made by `desktop`; null for an empty handle or one made by
// another desktop.
const ElementRef* refOf(const platform::ElementHandle& handle,
                        const std::shared_ptr<const void>& desktop);

} // namespace orvel::sim
