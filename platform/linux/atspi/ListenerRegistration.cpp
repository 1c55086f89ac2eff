#include "platform/linux/atspi/ListenerRegistration.hpp"

#include "platform/linux/atspi/AtspiCalls.hpp"

namespace orvel::linuxdesktop {

bool ListenerRegistration::ensure() {
    {
        std::lock_guard guard(lock_);
        if (connection_ && connection_->isOpen()) {
            return true;
        }
    }
    // Registered without the lock held: the registry may be slow to answer.
    auto address = address_.address();
    if (!address) {
        return false;
    }
    std::string error;
    auto connection = BusConnection::open(*address, timeout_, error);
    if (!connection ||
        !connection->call(calls::registerEvent(*connection, "window:activate"), timeout_).ok()) {
        return false;
    }
    std::lock_guard guard(lock_);
    // Two threads that registered at once keep one registration; the other closes with its
    // connection.
    if (!connection_ || !connection_->isOpen()) {
        connection_ = std::move(connection);
    }
    return true;
}

} // namespace orvel::linuxdesktop
