#include "platform/sim/SimNotificationCenter.hpp"

namespace orvel::sim {

void SimNotificationCenter::addObserver(const std::string& name, std::function<void()> handler) {
    core_.change([&](DesktopState& state, Outbox&) {
        state.observers.emplace_back(name, std::move(handler));
    });
}

} // namespace orvel::sim
