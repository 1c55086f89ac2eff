// Connections to the accessibility bus, one for each thread that calls at the same time:
// a thread takes a connection for the length of its call (or batch of calls) and gives it
// back, so no two threads ever share one and a thread blocked on a stopped application
// holds up nobody else. Idle connections are kept for the next caller; one that the bus
// closed is dropped.
//
// Threading: one mutex guards the idle list; acquire and release from any thread.
#pragma once

#include "platform/linux/atspi/AccessibilityBusAddress.hpp"
#include "platform/linux/atspi/BusConnection.hpp"

#include <memory>
#include <mutex>
#include <vector>

namespace orvel::linuxdesktop {

class ConnectionPool {
  public:
    class Lease {
      public:
        Lease(ConnectionPool& pool, std::unique_ptr<BusConnection> connection)
            : pool_(&pool), connection_(std::move(connection)) {}
        Lease(Lease&& other) noexcept = default;
        Lease& operator=(Lease&&) = delete;
        ~Lease() {
            if (connection_) {
                pool_->release(std::move(connection_));
            }
        }
        BusConnection& operator*() const { return *connection_; }
        BusConnection* operator->() const { return connection_.get(); }

      private:
        ConnectionPool* pool_;
        std::unique_ptr<BusConnection> connection_;
    };

    ConnectionPool(AccessibilityBusAddress& address, Microseconds connectTimeout)
        : address_(address), connectTimeout_(connectTimeout) {}

    // A connection of the caller's own; none when the bus cannot be reached.
    std::unique_ptr<Lease> acquire();

  private:
    void release(std::unique_ptr<BusConnection> connection);

    static constexpr std::size_t mostIdle = 4;

    AccessibilityBusAddress& address_;
    const Microseconds connectTimeout_;
    std::mutex lock_;
    std::vector<std::unique_ptr<BusConnection>> idle_; // guarded by lock_
};

} // namespace orvel::linuxdesktop
