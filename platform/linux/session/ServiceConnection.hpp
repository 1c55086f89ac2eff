// One client connection to a D-Bus bus with sd-bus for asking desktop services (logind, the
// screensaver) what they know, every method call on it bounded by the time-out it was opened
// with; unlike the accessibility service's connections, a failed call keeps its D-Bus error
// name, which tells a service that is not there from one that failed. A connection belongs to
// one thread at a time (sd-bus is not thread-safe): the lock reader opens its own for each
// reading, the main loop keeps its own.
#pragma once

#include <systemd/sd-bus.h>

#include <chrono>
#include <memory>
#include <string>

namespace orvel::linuxdesktop {

class ServiceConnection {
  public:
    // Null when the bus cannot be reached (no address, no daemon, refused).
    static std::unique_ptr<ServiceConnection> connect(const std::string& address,
                                                      std::chrono::milliseconds callTimeout);
    ~ServiceConnection();
    ServiceConnection(const ServiceConnection&) = delete;
    ServiceConnection& operator=(const ServiceConnection&) = delete;

    sd_bus* bus() const { return bus_; }

  private:
    explicit ServiceConnection(sd_bus* bus) : bus_(bus) {}

    sd_bus* bus_;
};

// The outcome of one method call: the reply, or the error's name when it failed.
struct ServiceReply {
    sd_bus_message* message = nullptr;
    std::string errorName;

    ServiceReply() = default;
    ServiceReply(const ServiceReply&) = delete;
    ServiceReply& operator=(const ServiceReply&) = delete;
    ServiceReply(ServiceReply&& other) noexcept;
    ~ServiceReply();

    bool ok() const { return message != nullptr; }
    // The service is not on the bus (no owner, not activatable).
    bool serviceMissing() const;
};

// Calls a method without activating its service; `append` adds the arguments to the call.
template <class Append>
ServiceReply callMethod(const ServiceConnection& connection, const char* destination,
                        const char* path, const char* interface, const char* member,
                        Append&& append);

ServiceReply callMethod(const ServiceConnection& connection, const char* destination,
                        const char* path, const char* interface, const char* member);

// Implementation detail of `callMethod`: sends a prepared call.
ServiceReply sendCall(const ServiceConnection& connection, sd_bus_message* call);
sd_bus_message* newCall(const ServiceConnection& connection, const char* destination,
                        const char* path, const char* interface, const char* member);

template <class Append>
ServiceReply callMethod(const ServiceConnection& connection, const char* destination,
                        const char* path, const char* interface, const char* member,
                        Append&& append) {
    sd_bus_message* call = newCall(connection, destination, path, interface, member);
    if (call == nullptr || append(call) < 0) {
        sd_bus_message_unref(call);
        ServiceReply failed;
        failed.errorName = "org.freedesktop.DBus.Error.NoMemory";
        return failed;
    }
    return sendCall(connection, call);
}

} // namespace orvel::linuxdesktop
