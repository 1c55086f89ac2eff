// Owning handles for sd-bus objects and the answer to one method call.
//
// A `Reply` is what a call came back with: status 0 and the reply message, or the
// accessibility status its D-Bus error maps to (see BusError.hpp) and no message.
// Values only; a reply is read on the thread that holds it.
#pragma once

#include <systemd/sd-bus.h>

#include <cstdint>
#include <memory>

namespace orvel::linuxdesktop {

struct BusUnref {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageUnref {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
struct SlotUnref {
    void operator()(sd_bus_slot* slot) const { sd_bus_slot_unref(slot); }
};

using BusPtr = std::unique_ptr<sd_bus, BusUnref>;
using MessagePtr = std::unique_ptr<sd_bus_message, MessageUnref>;
using SlotPtr = std::unique_ptr<sd_bus_slot, SlotUnref>;

struct Reply {
    std::int32_t status = 0;
    MessagePtr message;

    bool ok() const { return status == 0 && message != nullptr; }
};

} // namespace orvel::linuxdesktop
