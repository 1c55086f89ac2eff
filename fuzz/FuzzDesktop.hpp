// The simulated desktop a fuzz target's engines run on, kept for many inputs because starting
// one costs far more than an input: the desktop, its main loop on a thread of its own, the
// takeover listener and the lock watcher, started on that loop as the program starts them.
//
// Built and destroyed on one thread; the services it hands out are safe from any thread.
#pragma once

#include "LockWatcher.hpp"
#include "UserInputListener.hpp"
#include "platform/Platform.hpp"
#include "platform/sim/SimulatedDesktop.hpp"

#include <memory>
#include <string>
#include <thread>

namespace orvel::fuzz {

class FuzzDesktop {
  public:
    // Aborts when the scenario is refused: a target without its desktop tests nothing.
    explicit FuzzDesktop(const std::string& scenario);
    ~FuzzDesktop();
    FuzzDesktop(const FuzzDesktop&) = delete;
    FuzzDesktop& operator=(const FuzzDesktop&) = delete;

    sim::SimulatedDesktop& desktop() { return *desktop_; }
    platform::Platform& platform() { return desktop_->platform(); }
    UserInputListener& listener() { return *listener_; }
    const LockWatcher& lockWatcher() const { return *lockWatcher_; }

  private:
    std::unique_ptr<sim::SimulatedDesktop> desktop_;
    std::thread mainLoop_;
    std::unique_ptr<UserInputListener> listener_;
    std::unique_ptr<LockWatcher> lockWatcher_;
};

} // namespace orvel::fuzz
