// One client connection to a D-Bus bus with sd-bus, every method call on it bounded by the
// time-out it was opened with. A connection belongs to one thread at a time (sd-bus is not
// thread-safe): the lock reader opens its own for each reading, the main loop keeps its own.
#pragma once

#include <systemd/sd-bus.h>

#include <chrono>
#include <memory>
#include <string>

namespace orvel::linuxdesktop {

class BusConnection {
  public:
    // Null when the bus cannot be reached (no address, no daemon, refused).
    static std::unique_ptr<BusConnection> connect(const std::string& address,
                                                  std::chrono::milliseconds callTimeout);
    ~BusConnection();
    BusConnection(const BusConnection&) = delete;
    BusConnection& operator=(const BusConnection&) = delete;

    sd_bus* bus() const { return bus_; }

  private:
    explicit BusConnection(sd_bus* bus) : bus_(bus) {}

    sd_bus* bus_;
};

// The outcome of one method call: the reply, or the error's name when it failed.
struct BusReply {
    sd_bus_message* message = nullptr;
    std::string errorName;

    BusReply() = default;
    BusReply(const BusReply&) = delete;
    BusReply& operator=(const BusReply&) = delete;
    BusReply(BusReply&& other) noexcept;
    ~BusReply();

    bool ok() const { return message != nullptr; }
    // The service is not on the bus (no owner, not activatable).
    bool serviceMissing() const;
};

// Calls a method without activating its service; `append` adds the arguments to the call.
template <class Append>
BusReply callMethod(const BusConnection& connection, const char* destination, const char* path,
                    const char* interface, const char* member, Append&& append);

BusReply callMethod(const BusConnection& connection, const char* destination, const char* path,
                    const char* interface, const char* member);

// Implementation detail of `callMethod`: sends a prepared call.
BusReply sendCall(const BusConnection& connection, sd_bus_message* call);
sd_bus_message* newCall(const BusConnection& connection, const char* destination, const char* path,
                        const char* interface, const char* member);

template <class Append>
BusReply callMethod(const BusConnection& connection, const char* destination, const char* path,
                    const char* interface, const char* member, Append&& append) {
    sd_bus_message* call = newCall(connection, destination, path, interface, member);
    if (call == nullptr || append(call) < 0) {
        sd_bus_message_unref(call);
        BusReply failed;
        failed.errorName = "org.freedesktop.DBus.Error.NoMemory";
        return failed;
    }
    return sendCall(connection, call);
}

} // namespace orvel::linuxdesktop
