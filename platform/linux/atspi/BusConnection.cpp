#include "platform/linux/atspi/BusConnection.hpp"

#include "platform/AccessibilityService.hpp"
#include "platform/linux/atspi/BusError.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace orvel::linuxdesktop {

namespace {

std::string errnoText(const char* what, int negativeErrno) {
    return std::string(what) + ": " + std::strerror(-negativeErrno);
}

} // namespace

std::unique_ptr<BusConnection> BusConnection::open(const std::string& address, Microseconds timeout,
                                                   std::string& error) {
    sd_bus* raw = nullptr;
    int result = sd_bus_new(&raw);
    if (result < 0) {
        error = errnoText("sd_bus_new", result);
        return nullptr;
    }
    BusPtr bus(raw);
    if ((result = sd_bus_set_address(bus.get(), address.c_str())) < 0 ||
        (result = sd_bus_set_bus_client(bus.get(), 1)) < 0 ||
        (result = sd_bus_start(bus.get())) < 0) {
        error = errnoText("connecting to the bus", result);
        return nullptr;
    }
    return finishOpening(std::move(bus), timeout, error);
}

std::unique_ptr<BusConnection> BusConnection::openSession(Microseconds timeout,
                                                          std::string& error) {
    sd_bus* raw = nullptr;
    int result = sd_bus_open_user(&raw);
    if (result < 0) {
        error = errnoText("connecting to the session bus", result);
        return nullptr;
    }
    return finishOpening(BusPtr(raw), timeout, error);
}

// sd_bus_start only begins the handshake; the first call would wait for it without a bound,
// so wait here, bounded, until the bus has said hello.
std::unique_ptr<BusConnection> BusConnection::finishOpening(BusPtr bus, Microseconds timeout,
                                                            std::string& error) {
    auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int ready = sd_bus_is_ready(bus.get());
        if (ready > 0) {
            return std::unique_ptr<BusConnection>(new BusConnection(std::move(bus)));
        }
        if (ready < 0) {
            error = errnoText("bus handshake", ready);
            return nullptr;
        }
        int processed = sd_bus_process(bus.get(), nullptr);
        if (processed < 0) {
            error = errnoText("bus handshake", processed);
            return nullptr;
        }
        if (processed > 0) {
            continue;
        }
        auto left =
            std::chrono::duration_cast<Microseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            error = "the bus did not finish its handshake in time";
            return nullptr;
        }
        int waited = sd_bus_wait(bus.get(), static_cast<std::uint64_t>(left.count()));
        if (waited < 0 && waited != -EINTR) {
            error = errnoText("bus handshake", waited);
            return nullptr;
        }
    }
}

MessagePtr BusConnection::methodCall(const std::string& destination, const std::string& path,
                                     const char* interface, const char* member) {
    sd_bus_message* raw = nullptr;
    if (sd_bus_message_new_method_call(bus_.get(), &raw, destination.c_str(), path.c_str(),
                                       interface, member) < 0) {
        return nullptr;
    }
    return MessagePtr(raw);
}

Reply BusConnection::call(MessagePtr message, Microseconds timeout) {
    if (!message) {
        return Reply{platform::ax::invalidElement, nullptr};
    }
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* raw = nullptr;
    // A zero time-out would mean sd-bus's default of 25 seconds: never ask for less than 1 µs.
    auto usec = static_cast<std::uint64_t>(std::max<Microseconds::rep>(timeout.count(), 1));
    int result = sd_bus_call(bus_.get(), message.get(), usec, &error, &raw);
    Reply reply;
    if (result >= 0) {
        reply.message.reset(raw);
    } else if (sd_bus_error_is_set(&error) && error.name != nullptr) {
        reply.status = statusOfErrorName(error.name);
    } else {
        reply.status = statusOfErrno(result);
    }
    sd_bus_error_free(&error);
    return reply;
}

bool BusConnection::isOpen() const {
    return sd_bus_is_open(bus_.get()) > 0;
}

Reply replyOf(sd_bus_message* message) {
    Reply reply;
    if (sd_bus_message_is_method_error(message, nullptr) > 0) {
        const sd_bus_error* error = sd_bus_message_get_error(message);
        reply.status = error != nullptr && error->name != nullptr ? statusOfErrorName(error->name)
                                                                  : generalFailure;
        return reply;
    }
    reply.message.reset(sd_bus_message_ref(message));
    return reply;
}

} // namespace orvel::linuxdesktop
