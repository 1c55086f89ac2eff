#include "linux/support/BusMonitor.hpp"

#include <cstdint>

namespace orvel::testing {

namespace {

std::string text(const char* value) {
    return value == nullptr ? "" : value;
}

} // namespace

std::unique_ptr<BusMonitor> BusMonitor::start(const std::string& address) {
    sd_bus* raw = nullptr;
    if (sd_bus_new(&raw) < 0) {
        return nullptr;
    }
    linuxdesktop::BusPtr bus(raw);
    if (sd_bus_set_address(bus.get(), address.c_str()) < 0 ||
        sd_bus_set_bus_client(bus.get(), 1) < 0 || sd_bus_set_monitor(bus.get(), 1) < 0 ||
        sd_bus_start(bus.get()) < 0) {
        return nullptr;
    }
    sd_bus_message* call = nullptr;
    if (sd_bus_message_new_method_call(bus.get(), &call, "org.freedesktop.DBus",
                                       "/org/freedesktop/DBus", "org.freedesktop.DBus.Monitoring",
                                       "BecomeMonitor") < 0) {
        return nullptr;
    }
    linuxdesktop::MessagePtr message(call);
    if (sd_bus_message_append(message.get(), "asu", 1, "type='method_call'", 0) < 0) {
        return nullptr;
    }
    sd_bus_error error = SD_BUS_ERROR_NULL;
    int result = sd_bus_call(bus.get(), message.get(), 2'000'000, &error, nullptr);
    sd_bus_error_free(&error);
    if (result < 0) {
        return nullptr;
    }
    return std::unique_ptr<BusMonitor>(new BusMonitor(std::move(bus)));
}

std::vector<SeenCall> BusMonitor::drain(std::chrono::milliseconds quiet) {
    std::vector<SeenCall> seen;
    for (;;) {
        sd_bus_message* raw = nullptr;
        int processed = sd_bus_process(bus_.get(), &raw);
        if (processed < 0) {
            return seen;
        }
        linuxdesktop::MessagePtr message(raw);
        if (message && sd_bus_message_is_method_call(message.get(), nullptr, nullptr) > 0) {
            seen.push_back(SeenCall{text(sd_bus_message_get_destination(message.get())),
                                    text(sd_bus_message_get_path(message.get())),
                                    text(sd_bus_message_get_interface(message.get())),
                                    text(sd_bus_message_get_member(message.get()))});
        }
        if (processed > 0) {
            continue;
        }
        auto usec = static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(quiet).count());
        if (sd_bus_wait(bus_.get(), usec) == 0) {
            return seen;
        }
    }
}

} // namespace orvel::testing
