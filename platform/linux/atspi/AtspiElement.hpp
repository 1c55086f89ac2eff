// What an accessibility element handle of the Linux desktop holds: the object's address on
// the accessibility bus and the messaging time-out in force for it.
//
// A handle made for a process without accessible application, or when the bus could not be
// asked, holds the status that every call through it answers. The system-wide element holds
// no object.
//
// Threading: immutable except the time-out, which is atomic, so a handle may be shared and
// used from any thread. Elements read through an element start with its time-out.
#pragma once

#include "platform/ElementHandle.hpp"
#include "platform/linux/atspi/BusConnection.hpp"
#include "platform/linux/atspi/ObjectRef.hpp"

#include <atomic>
#include <cstdint>

namespace orvel::linuxdesktop {

class AtspiElement {
  public:
    enum class Kind { object, unresolved, systemWide };

    static platform::ElementHandle object(ObjectRef ref, Microseconds timeout);
    static platform::ElementHandle unresolved(std::int32_t status);
    static platform::ElementHandle systemWide(Microseconds timeout);

    // The element behind a handle; null for a null handle.
    static const AtspiElement* of(const platform::ElementHandle& handle) {
        return static_cast<const AtspiElement*>(handle.raw().get());
    }

    Kind kind() const { return kind_; }
    const ObjectRef& ref() const { return ref_; }
    // What every call through an unresolved element answers.
    std::int32_t status() const { return status_; }

    Microseconds timeout() const { return Microseconds(timeout_.load(std::memory_order_relaxed)); }
    void setTimeout(Microseconds timeout) const {
        timeout_.store(timeout.count(), std::memory_order_relaxed);
    }

    AtspiElement(Kind kind, ObjectRef ref, std::int32_t status, Microseconds timeout)
        : kind_(kind), ref_(std::move(ref)), status_(status), timeout_(timeout.count()) {}

  private:
    const Kind kind_;
    const ObjectRef ref_;
    const std::int32_t status_;
    mutable std::atomic<Microseconds::rep> timeout_;
};

} // namespace orvel::linuxdesktop
