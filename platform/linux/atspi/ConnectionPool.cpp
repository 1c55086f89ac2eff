#include "platform/linux/atspi/ConnectionPool.hpp"

namespace orvel::linuxdesktop {

std::unique_ptr<ConnectionPool::Lease> ConnectionPool::acquire() {
    {
        std::lock_guard guard(lock_);
        while (!idle_.empty()) {
            auto connection = std::move(idle_.back());
            idle_.pop_back();
            if (connection->isOpen()) {
                return std::make_unique<Lease>(*this, std::move(connection));
            }
        }
    }
    auto address = address_.address();
    if (!address) {
        return nullptr;
    }
    std::string error;
    auto connection = BusConnection::open(*address, connectTimeout_, error);
    if (!connection) {
        return nullptr;
    }
    return std::make_unique<Lease>(*this, std::move(connection));
}

void ConnectionPool::release(std::unique_ptr<BusConnection> connection) {
    if (!connection->isOpen()) {
        return;
    }
    std::lock_guard guard(lock_);
    if (idle_.size() < mostIdle) {
        idle_.push_back(std::move(connection));
    }
}

} // namespace orvel::linuxdesktop
