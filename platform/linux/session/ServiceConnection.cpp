#include "platform/linux/session/ServiceConnection.hpp"

#include <utility>

namespace orvel::linuxdesktop {

std::unique_ptr<ServiceConnection>
ServiceConnection::connect(const std::string& address, std::chrono::milliseconds callTimeout) {
    if (address.empty()) {
        return nullptr;
    }
    sd_bus* bus = nullptr;
    if (sd_bus_new(&bus) < 0) {
        return nullptr;
    }
    const auto timeout = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(callTimeout).count());
    if (sd_bus_set_address(bus, address.c_str()) < 0 || sd_bus_set_bus_client(bus, 1) < 0 ||
        sd_bus_set_method_call_timeout(bus, timeout) < 0 || sd_bus_start(bus) < 0) {
        sd_bus_flush_close_unref(bus);
        return nullptr;
    }
    return std::unique_ptr<ServiceConnection>(new ServiceConnection(bus));
}

ServiceConnection::~ServiceConnection() {
    sd_bus_flush_close_unref(bus_);
}

ServiceReply::ServiceReply(ServiceReply&& other) noexcept
    : message(std::exchange(other.message, nullptr)), errorName(std::move(other.errorName)) {}

ServiceReply::~ServiceReply() {
    sd_bus_message_unref(message);
}

bool ServiceReply::serviceMissing() const {
    return errorName == "org.freedesktop.DBus.Error.ServiceUnknown" ||
           errorName == "org.freedesktop.DBus.Error.NameHasNoOwner";
}

sd_bus_message* newCall(const ServiceConnection& connection, const char* destination,
                        const char* path, const char* interface, const char* member) {
    sd_bus_message* call = nullptr;
    if (sd_bus_message_new_method_call(connection.bus(), &call, destination, path, interface,
                                       member) < 0) {
        return nullptr;
    }
    // Asking whether a service is there must not start one.
    sd_bus_message_set_auto_start(call, 0);
    return call;
}

ServiceReply sendCall(const ServiceConnection& connection, sd_bus_message* call) {
    ServiceReply reply;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    if (sd_bus_call(connection.bus(), call, 0, &error, &reply.message) < 0) {
        reply.message = nullptr;
        reply.errorName = error.name != nullptr ? error.name : "org.freedesktop.DBus.Error.Failed";
    }
    sd_bus_error_free(&error);
    sd_bus_message_unref(call);
    return reply;
}

ServiceReply callMethod(const ServiceConnection& connection, const char* destination,
                        const char* path, const char* interface, const char* member) {
    return callMethod(connection, destination, path, interface, member,
                      [](sd_bus_message*) { return 0; });
}

} // namespace orvel::linuxdesktop
