#include "platform/linux/session/LinuxNotificationCenter.hpp"

namespace orvel::linuxdesktop {

void LinuxNotificationCenter::addObserver(const std::string& name, std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    observers_.emplace_back(name, std::move(handler));
}

void LinuxNotificationCenter::deliver(const std::string& name) {
    std::vector<std::function<void()>> handlers;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [observed, handler] : observers_) {
            if (observed == name) {
                handlers.push_back(handler);
            }
        }
    }
    for (const auto& handler : handlers) {
        handler();
    }
}

} // namespace orvel::linuxdesktop
