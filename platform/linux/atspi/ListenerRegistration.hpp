// One event listener registered with the accessibility registry for as long as the service
// lives. Applications' bridges answer the bulk read (Cache.GetItems) only while some client
// listens for events, as screen readers do; registering a rarely sent event ("window:activate")
// switches that on at the cost of those few events.
//
// The registration belongs to a connection of its own, held open: the registry forgets the
// listener when its connection closes.
//
// Threading: one mutex guards the connection, never held while the bus is asked; `ensure`
// may be called from any thread (a failed attempt is tried again on a later call).
#pragma once

#include "platform/linux/atspi/AccessibilityBusAddress.hpp"
#include "platform/linux/atspi/BusConnection.hpp"

#include <memory>
#include <mutex>

namespace orvel::linuxdesktop {

class ListenerRegistration {
  public:
    ListenerRegistration(AccessibilityBusAddress& address, Microseconds timeout)
        : address_(address), timeout_(timeout) {}

    // Registers the listener unless it already is; true when it is registered.
    bool ensure();

  private:
    AccessibilityBusAddress& address_;
    const Microseconds timeout_;
    std::mutex lock_;
    std::unique_ptr<BusConnection> connection_; // guarded by lock_
};

} // namespace orvel::linuxdesktop
