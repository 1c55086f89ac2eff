// The takeover listener: a listen-only event tap on the main loop that sees every keyboard
// and mouse event of the session, ignores the program's own (they carry its signature) and
// reports a user event during an automated foreground action as a takeover.
//
// Threading: `start` and `handle` run on the main loop. Everything else may be called from
// any thread. `lock_` guards the tap, its run-loop source, the status, `automation` and the
// takeover handler; nothing is called out while it is held. Takeover reports run on a thread
// of their own so that halting never runs inside the tap callback. Whether a takeover was
// judged during the current automation is readable without the lock, so that the input
// ledger's closures may ask it while the ledger's lock is held. `reportsRan_` signals under
// `lock_` when a report has run.
#pragma once

#include "BackgroundTasks.hpp"
#include "OrvelControlCore/Clock.hpp"
#include "OrvelControlCore/Collision.hpp"
#include "platform/EventSystem.hpp"
#include "platform/MainLoop.hpp"
#include "platform/PrivacyAccess.hpp"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace orvel {

class UserInputListener {
  public:
    using TakeoverHandler = std::function<void(const std::string& reason)>;

    // The event types the tap listens to.
    static constexpr std::array<std::uint32_t, 14> interest = {10, 11, 12, 1, 2, 3,  4,
                                                               25, 26, 5,  6, 7, 27, 22};
    static constexpr std::uint64_t interestMask() {
        std::uint64_t mask = 0;
        for (auto type : interest) {
            mask |= std::uint64_t{1} << type;
        }
        return mask;
    }

    UserInputListener(platform::EventSystem& events, platform::PrivacyAccess& privacy,
                      platform::MainLoop& mainLoop,
                      CollisionPolicy policy = CollisionPolicy::random(),
                      WallClock clock = systemNow);
    ~UserInputListener();
    UserInputListener(const UserInputListener&) = delete;
    UserInputListener& operator=(const UserInputListener&) = delete;

    const CollisionPolicy& policy() const { return policy_; }

    // Installs the tap; main loop only. A second call after a successful one changes nothing.
    void start();

    // Classifies one event of interest, or re-enables the tap after a disabled notice.
    void handle(std::uint32_t type, const platform::Event& event);

    // The status, with `active` true only while the platform says the installed tap is
    // enabled.
    ListenerStatus currentStatus() const;

    // Starting an automation (true) also forgets a takeover judged during an earlier one.
    void setAutomation(bool active);
    bool automation() const;
    // A user event was judged a takeover since automation was last started: the action must
    // stop at once, before the halt the takeover reports has run.
    bool takenOver() const { return takenOver_.load(std::memory_order_acquire); }
    void setOnTakeover(TakeoverHandler handler);

    // Waits for takeover reports still running; their handler may touch the engine.
    void settleReports();
    // Waits, at most `bound`, until the report of every takeover judged so far has run, so
    // that an action stopped by one answers only after its halt (and a resume sent on that
    // answer is not undone by the halt arriving late); true when they have.
    bool awaitTakeoverReports(std::chrono::milliseconds bound);

  private:
    void installTap();
    void markReported();

    platform::EventSystem& events_;
    platform::PrivacyAccess& privacy_;
    platform::MainLoop& mainLoop_;
    const CollisionPolicy policy_;
    const WallClock clock_;

    mutable std::mutex lock_;
    std::optional<platform::EventTapRef> tap_;         // guarded by lock_
    std::optional<platform::RunLoopSourceRef> source_; // guarded by lock_
    ListenerStatus status_;                            // guarded by lock_
    bool automation_ = false;                          // guarded by lock_
    TakeoverHandler onTakeover_;                       // guarded by lock_
    std::atomic<bool> takenOver_{false};               // written under lock_
    int reported_ = 0;                                 // guarded by lock_: reports that ran
    std::condition_variable reportsRan_;

    BackgroundTasks reports_;
};

} // namespace orvel
