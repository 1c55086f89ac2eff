#include "FuzzDesktop.hpp"

#include "FuzzCheck.hpp"

namespace orvel::fuzz {

FuzzDesktop::FuzzDesktop(const std::string& scenario) {
    std::string error;
    desktop_ = sim::SimulatedDesktop::load(scenario, error);
    require(desktop_ != nullptr, "the fuzz desktop's scenario is accepted", error);
    auto& services = platform();
    mainLoop_ = std::thread([&services] { services.mainLoop.runForever(); });
    listener_ =
        std::make_unique<UserInputListener>(services.events, services.privacy, services.mainLoop);
    lockWatcher_ = std::make_unique<LockWatcher>(services.notifications);
    services.mainLoop.runSync([this] {
        lockWatcher_->start();
        listener_->start();
    });
}

FuzzDesktop::~FuzzDesktop() {
    // The loop may still deliver tap events to the listener: the loop first, then the listener.
    platform().mainLoop.quit();
    mainLoop_.join();
    lockWatcher_.reset();
    listener_.reset();
    desktop_.reset();
}

} // namespace orvel::fuzz
