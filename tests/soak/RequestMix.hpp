// The soak's random requests: every operation of the protocol with arguments that are mostly
// sound and sometimes not, acts against the newest observation (or a stale one), and the
// control requests (stop, resume, release, cancel) mixed in. Every request has an id of its own.
//
// Used by one thread; `noteObservation` and `noteWindow` may be called from another, under the
// mix's own lock.
#pragma once

#include "OrvelControlCore/Json.hpp"
#include "SoakDesktop.hpp"

#include <cstdint>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace orvel::soak {

class RequestMix {
  public:
    RequestMix(const SoakDesktop& desktop, std::uint64_t seed);

    // The operation of the next request, then the request itself, whose "id" is "s<number>";
    // in two steps, so that the caller can let the work before an action finish first.
    std::string nextOperation();
    Json request(const std::string& op);
    void noteObservation(const std::string& observationId);
    void noteWindow(WindowRef window);
    std::mt19937_64& random() { return random_; }

  private:
    Json observe(Json request);
    Json act(Json request);
    Json action();
    WindowRef someWindow();

    std::mt19937_64 random_;
    std::uint64_t count_ = 0;
    bool stopped_ = false;
    std::vector<std::int32_t> pids_;
    std::mutex lock_;
    std::vector<WindowRef> windows_;        // guarded by lock_
    std::string observationId_ = "obs-1-1"; // guarded by lock_
};

} // namespace orvel::soak
