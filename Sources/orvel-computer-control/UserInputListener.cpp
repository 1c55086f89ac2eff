#include "UserInputListener.hpp"

#include "platform/Event.hpp"

namespace orvel {

UserInputListener::UserInputListener(platform::EventSystem& events,
                                     platform::PrivacyAccess& privacy, platform::MainLoop& mainLoop,
                                     CollisionPolicy policy, WallClock clock)
    : events_(events), privacy_(privacy), mainLoop_(mainLoop), policy_(policy),
      clock_(std::move(clock)) {}

UserInputListener::~UserInputListener() {
    setOnTakeover(nullptr);
    settleReports();
}

void UserInputListener::start() {
    if (!mainLoop_.isMainThread()) {
        std::lock_guard guard(lock_);
        if (!tap_) {
            status_ = ListenerStatus::inactive("not_main_run_loop");
        }
        return;
    }
    installTap();
}

// The whole installation runs under the lock so that a concurrent status read sees either
// no tap or a finished one; the platform calls here do not call back synchronously.
void UserInputListener::installTap() {
    std::lock_guard guard(lock_);
    if (tap_) {
        return;
    }
    auto tap = events_.createTap(
        platform::eventtap::sessionLocation, platform::eventtap::headInsert,
        platform::eventtap::listenOnly, interestMask(),
        [this](std::uint32_t type, const platform::Event& event) { handle(type, event); });
    if (!tap) {
        bool granted =
            privacy_.checkAccess(platform::hidaccess::listenEvent) == platform::hidaccess::granted;
        status_ = ListenerStatus::inactive(granted ? "tap_unavailable" : "input_monitoring_denied");
        return;
    }
    auto source = events_.createRunLoopSource(*tap);
    if (source) {
        events_.addSourceToMainRunLoop(*source);
    }
    events_.enableTap(*tap, true);
    if (source && events_.isTapEnabled(*tap)) {
        tap_ = tap;
        source_ = source;
        status_ = ListenerStatus::running();
        return;
    }
    if (source) {
        events_.removeSourceFromMainRunLoop(*source);
    }
    status_ = ListenerStatus::inactive("tap_not_enabled");
}

void UserInputListener::handle(std::uint32_t type, const platform::Event& event) {
    if (type == platform::eventtype::tapDisabledByTimeout ||
        type == platform::eventtype::tapDisabledByUserInput) {
        std::lock_guard guard(lock_);
        if (tap_) {
            events_.enableTap(*tap_, true);
        }
        status_.reason = type == platform::eventtype::tapDisabledByTimeout
                             ? "re_enabled_after_timeout"
                             : "re_enabled_after_user_input";
        return;
    }
    auto userData = event.integerValueField(platform::eventfield::eventSourceUserData);
    TakeoverHandler report;
    {
        std::lock_guard guard(lock_);
        auto verdict = policy_.classify(userData, automation_);
        if (verdict == CollisionVerdict::own) {
            return;
        }
        status_.lastUserInputAt = secondsSince1970(clock_());
        if (verdict == CollisionVerdict::userIdle) {
            return;
        }
        status_.takeovers += 1;
        automation_ = false;
        takenOver_.store(true, std::memory_order_release);
        report = onTakeover_;
        if (!report) {
            ++reported_;
        }
    }
    if (report) {
        reports_.run([this, report] {
            report("user_input");
            markReported();
        });
    }
}

void UserInputListener::markReported() {
    {
        std::lock_guard guard(lock_);
        ++reported_;
    }
    reportsRan_.notify_all();
}

bool UserInputListener::awaitTakeoverReports(std::chrono::milliseconds bound) {
    std::unique_lock guard(lock_);
    return reportsRan_.wait_for(guard, bound, [this] { return reported_ >= status_.takeovers; });
}

ListenerStatus UserInputListener::currentStatus() const {
    std::lock_guard guard(lock_);
    ListenerStatus copy = status_;
    copy.active = status_.active && (!tap_ || events_.isTapEnabled(*tap_));
    return copy;
}

void UserInputListener::setAutomation(bool active) {
    std::lock_guard guard(lock_);
    automation_ = active;
    if (active) {
        takenOver_.store(false, std::memory_order_release);
    }
}

bool UserInputListener::automation() const {
    std::lock_guard guard(lock_);
    return automation_;
}

void UserInputListener::setOnTakeover(TakeoverHandler handler) {
    std::lock_guard guard(lock_);
    onTakeover_ = std::move(handler);
}

void UserInputListener::settleReports() {
    reports_.joinAll();
}

} // namespace orvel
