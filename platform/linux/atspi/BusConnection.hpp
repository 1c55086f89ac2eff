// One client connection to a D-Bus bus (the accessibility bus or the session bus) through
// sd-bus, with a time-out on everything that waits: connecting, and every call on its own.
//
// Threading: sd-bus connections are not thread-safe. A connection is used by one thread at a
// time (ConnectionPool hands each calling thread one of its own); moving it between threads
// between uses is fine.
#pragma once

#include "platform/linux/atspi/BusMessage.hpp"

#include <chrono>
#include <memory>
#include <string>

namespace orvel::linuxdesktop {

using Microseconds = std::chrono::microseconds;

class BusConnection {
  public:
    // Connects to the bus at `address`; null with `error` set when it cannot be reached or
    // does not finish the handshake within `timeout`.
    static std::unique_ptr<BusConnection> open(const std::string& address, Microseconds timeout,
                                               std::string& error);
    // The session bus of DBUS_SESSION_BUS_ADDRESS (or the user's default one).
    static std::unique_ptr<BusConnection> openSession(Microseconds timeout, std::string& error);

    // A method call to send; null when the names do not form a valid message (a bus name
    // handed over by another application is not trusted to be well formed).
    MessagePtr methodCall(const std::string& destination, const std::string& path,
                          const char* interface, const char* member);

    // Sends the call and waits for its reply, at most `timeout`. A null message answers
    // invalidElement: it named nothing that can be addressed.
    Reply call(MessagePtr message, Microseconds timeout);

    bool isOpen() const;
    sd_bus* raw() const { return bus_.get(); }

  private:
    explicit BusConnection(BusPtr bus) : bus_(std::move(bus)) {}
    static std::unique_ptr<BusConnection> finishOpening(BusPtr bus, Microseconds timeout,
                                                        std::string& error);

    BusPtr bus_;
};

// The reply as the program sees it: success with the message, or the mapped status of its
// D-Bus error.
Reply replyOf(sd_bus_message* message);

} // namespace orvel::linuxdesktop
