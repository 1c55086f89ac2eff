// The event tap: when it can be created and enabled, delivery on the main loop only to an
// installed and enabled tap, user data telling the program's events from the user's, the
// disabled-tap notices, lock notifications, the script steps that wait for posted events, and
// waiting until the taps have seen every event so far.
#include "SimTestSupport.hpp"

#include "platform/EventSystem.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace orvel::sim::testing {
namespace {

namespace type = platform::eventtype;
using platform::Event;

constexpr std::uint64_t everyInputEvent = 0xE401CFE;

struct Delivery {
    std::uint32_t type = 0;
    std::int64_t userData = 0;
    bool onMainLoop = false;
};

// What a tap callback saw, shared with the test thread.
class Recorder {
  public:
    explicit Recorder(platform::MainLoop& loop) : loop_(loop) {}

    platform::EventSystem::TapCallback callback() {
        return [this](std::uint32_t eventType, const Event& event) {
            std::lock_guard lock(mutex_);
            deliveries_.push_back(
                {eventType, event.integerValueField(platform::eventfield::eventSourceUserData),
                 loop_.isMainThread()});
        };
    }
    std::vector<Delivery> deliveries() const {
        std::lock_guard lock(mutex_);
        return deliveries_;
    }

  private:
    platform::MainLoop& loop_;
    mutable std::mutex mutex_;
    std::vector<Delivery> deliveries_;
};

// A tap installed the way the takeover listener installs it.
std::optional<platform::EventTapRef> installTap(platform::EventSystem& events, Recorder& recorder,
                                                std::uint64_t mask = everyInputEvent) {
    auto tap = events.createTap(platform::eventtap::sessionLocation, platform::eventtap::headInsert,
                                platform::eventtap::listenOnly, mask, recorder.callback());
    if (!tap) {
        return std::nullopt;
    }
    auto source = events.createRunLoopSource(*tap);
    events.addSourceToMainRunLoop(*source);
    events.enableTap(*tap, true);
    return tap;
}

TEST(EventTap, CreationNeedsInputMonitoringAndAWillingScenario) {
    auto denied = loadDesktop(R"({"permissions": {"inputMonitoring": false}})");
    Recorder deniedRecorder(denied->platform().mainLoop);
    EXPECT_FALSE(installTap(denied->platform().events, deniedRecorder));
    denied->apply({{"permissions", {{"inputMonitoring", true}}}});
    EXPECT_TRUE(installTap(denied->platform().events, deniedRecorder));

    auto uncreatable = loadDesktop(R"({"tap": "uncreatable"})");
    Recorder uncreatableRecorder(uncreatable->platform().mainLoop);
    EXPECT_FALSE(installTap(uncreatable->platform().events, uncreatableRecorder));

    auto unenablable = loadDesktop(R"({"tap": "unenablable"})");
    auto& events = unenablable->platform().events;
    Recorder recorder(unenablable->platform().mainLoop);
    auto tap = installTap(events, recorder);
    ASSERT_TRUE(tap);
    EXPECT_FALSE(events.isTapEnabled(*tap));

    auto ok = loadDesktop("{}");
    Recorder okRecorder(ok->platform().mainLoop);
    auto working = installTap(ok->platform().events, okRecorder);
    ASSERT_TRUE(working);
    EXPECT_TRUE(ok->platform().events.isTapEnabled(*working));
    ok->platform().events.enableTap(*working, false);
    EXPECT_FALSE(ok->platform().events.isTapEnabled(*working));
}

TEST(EventTap, EventsReachAnInstalledEnabledTapOnTheMainLoopWithTheirUserData) {
    auto desktop = loadDesktop("{}");
    auto& events = desktop->platform().events;
    Recorder recorder(desktop->platform().mainLoop);
    MainLoopThread loop(desktop->platform().mainLoop);

    auto tap = events.createTap(1, 0, 1, everyInputEvent, recorder.callback());
    ASSERT_TRUE(tap);
    auto ownSource = events.createSource(platform::eventsource::hidSystemState);
    ASSERT_TRUE(ownSource);
    events.setSourceUserData(*ownSource, 77);
    const auto post = [&](std::optional<platform::EventSourceRef> source, std::uint32_t eventType) {
        events.post(*events.createMouseEvent(source, eventType, Point{5, 5}, 0),
                    platform::eventtap::hidLocation);
    };

    post(ownSource, type::mouseMoved); // no run-loop source yet
    auto source = events.createRunLoopSource(*tap);
    events.addSourceToMainRunLoop(*source);
    post(ownSource, type::leftMouseDown);
    post(std::nullopt, type::leftMouseUp);
    desktop->apply({{"userInput", "keyDown"}});
    events.enableTap(*tap, false);
    post(ownSource, type::mouseMoved); // disabled
    events.enableTap(*tap, true);
    events.removeSourceFromMainRunLoop(*source);
    post(ownSource, type::mouseMoved); // off the run loop again
    loop.drain();

    const auto seen = recorder.deliveries();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].type, type::leftMouseDown);
    EXPECT_EQ(seen[0].userData, 77);
    EXPECT_EQ(seen[1].type, type::leftMouseUp);
    EXPECT_EQ(seen[1].userData, 0);
    EXPECT_EQ(seen[2].type, type::keyDown);
    EXPECT_EQ(seen[2].userData, 0);
    for (const auto& delivery : seen) {
        EXPECT_TRUE(delivery.onMainLoop);
    }
}

TEST(EventTap, AwaitingDeliveryReturnsOnceTheTapHasSeenEveryEventSoFar) {
    auto desktop = loadDesktop("{}");
    auto& events = desktop->platform().events;
    // Declared before the loop thread so that it outlives the last deliveries still queued.
    Recorder recorder(desktop->platform().mainLoop);
    MainLoopThread loop(desktop->platform().mainLoop);
    ASSERT_TRUE(installTap(events, recorder));

    // The user's events come from another thread; whatever the desktop has logged before the
    // wait must have reached the tap when the wait returns.
    std::atomic<bool> done{false};
    std::thread user([&] {
        for (int event = 0; event < 300 && !done.load(); ++event) {
            desktop->apply({{"userInput", "keyDown"}});
        }
    });
    bool delivered = true;
    for (int round = 0; round < 100 && delivered; ++round) {
        const auto logged = desktop->eventLog().size();
        delivered = events.awaitTapDelivery(2000ms) && recorder.deliveries().size() >= logged;
        EXPECT_TRUE(delivered) << "round " << round;
    }
    done = true;
    user.join();
}

TEST(EventTap, AwaitingDeliveryGivesUpWithinItsBoundAndNeverOnTheMainLoop) {
    auto desktop = loadDesktop("{}");
    auto& events = desktop->platform().events;
    const auto start = SteadyClock::now();
    EXPECT_FALSE(events.awaitTapDelivery(50ms)) << "no main loop is running";
    EXPECT_GE(secondsSince(start), 0.045);
    EXPECT_LT(secondsSince(start), 1.0);

    MainLoopThread loop(desktop->platform().mainLoop);
    loop.drain(); // the marker left behind by the wait that gave up runs harmlessly
    EXPECT_TRUE(events.awaitTapDelivery(2000ms));
    const bool onTheLoop =
        desktop->platform().mainLoop.runSync([&] { return events.awaitTapDelivery(2000ms); });
    EXPECT_FALSE(onTheLoop) << "the loop cannot wait for itself";
}

TEST(EventTap, TheScenarioCanMakeTheFirstEventsOfAKindUncreatable) {
    auto desktop = loadDesktop(R"({"uncreatableEvents": {"leftMouseUp": 2, "keyUp": 1}})");
    auto& events = desktop->platform().events;
    const auto source = events.createSource(platform::eventsource::hidSystemState);
    const auto mouseUp = [&] {
        return events.createMouseEvent(source, type::leftMouseUp, Point{1, 1}, 0).has_value();
    };
    EXPECT_TRUE(events.createMouseEvent(source, type::leftMouseDown, Point{1, 1}, 0));
    EXPECT_FALSE(mouseUp());
    EXPECT_FALSE(mouseUp());
    EXPECT_TRUE(mouseUp());
    EXPECT_TRUE(mouseUp());
    EXPECT_TRUE(events.createKeyboardEvent(source, 0, true));
    EXPECT_FALSE(events.createKeyboardEvent(source, 0, false));
    EXPECT_TRUE(events.createKeyboardEvent(source, 0, false));
    EXPECT_TRUE(events.createScrollWheelEvent(source, 0, 2, 1, 1, 0));
}

TEST(EventTap, OnlyTheEventTypesOfTheMaskAreDelivered) {
    auto desktop = loadDesktop("{}");
    auto& events = desktop->platform().events;
    Recorder recorder(desktop->platform().mainLoop);
    MainLoopThread loop(desktop->platform().mainLoop);
    ASSERT_TRUE(installTap(events, recorder, std::uint64_t{1} << type::keyDown));
    desktop->apply({{"userInput", "mouseMoved"}});
    desktop->apply({{"userInput", "keyDown"}});
    desktop->apply({{"userInput", "keyUp"}});
    loop.drain();
    const auto seen = recorder.deliveries();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].type, type::keyDown);
}

TEST(EventTap, PostingNeverCallsTheTapWhileThePosterHoldsItsLock) {
    auto desktop = loadDesktop("{}");
    auto& events = desktop->platform().events;
    MainLoopThread loop(desktop->platform().mainLoop);
    std::mutex posterLock;
    std::atomic<int> seen{0};
    auto tap = events.createTap(1, 0, 1, everyInputEvent, [&](std::uint32_t, const Event&) {
        std::lock_guard lock(posterLock);
        seen.fetch_add(1);
    });
    ASSERT_TRUE(tap);
    events.addSourceToMainRunLoop(*events.createRunLoopSource(*tap));

    std::vector<std::thread> posters;
    for (int poster = 0; poster < 4; ++poster) {
        posters.emplace_back([&] {
            for (int index = 0; index < 25; ++index) {
                std::lock_guard lock(posterLock);
                events.post(*events.createKeyboardEvent(std::nullopt, 4, true), 0);
            }
        });
    }
    for (auto& poster : posters) {
        poster.join();
    }
    loop.drain();
    EXPECT_EQ(seen.load(), 100);
}

TEST(EventTap, SecureKeyboardEntryHidesKeysFromTheTap) {
    auto desktop = loadDesktop(R"({"secureInput": true})");
    Recorder recorder(desktop->platform().mainLoop);
    MainLoopThread loop(desktop->platform().mainLoop);
    ASSERT_TRUE(installTap(desktop->platform().events, recorder));
    desktop->apply({{"userInput", "keyDown"}});
    desktop->apply({{"userInput", "scrollWheel"}});
    loop.drain();
    const auto seen = recorder.deliveries();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].type, type::scrollWheel);
}

TEST(EventTap, TheSystemDisablesTheTapAndSaysWhy) {
    auto desktop = loadDesktop("{}");
    auto& events = desktop->platform().events;
    Recorder recorder(desktop->platform().mainLoop);
    MainLoopThread loop(desktop->platform().mainLoop);
    auto tap = installTap(events, recorder, std::uint64_t{1} << type::keyDown);
    ASSERT_TRUE(tap);

    desktop->apply({{"tapDisabled", "timeout"}});
    EXPECT_FALSE(events.isTapEnabled(*tap));
    desktop->apply({{"userInput", "keyDown"}});
    events.enableTap(*tap, true);
    desktop->apply({{"tapDisabled", "user_input"}});
    loop.drain();
    const auto seen = recorder.deliveries();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].type, type::tapDisabledByTimeout);
    EXPECT_EQ(seen[1].type, type::tapDisabledByUserInput);
    EXPECT_TRUE(seen[0].onMainLoop);
}

TEST(EventTap, LockNotificationsReachTheirObserversOnTheMainLoop) {
    auto desktop = loadDesktop("{}");
    auto& loopRef = desktop->platform().mainLoop;
    MainLoopThread loop(loopRef);
    std::mutex mutex;
    std::vector<std::string> heard;
    for (const char* name :
         {platform::notification::screenIsLocked, platform::notification::screenIsUnlocked}) {
        desktop->platform().notifications.addObserver(name, [&, name] {
            std::lock_guard lock(mutex);
            heard.push_back(std::string(name) +
                            (loopRef.isMainThread() ? "" : " off the main loop"));
        });
    }
    desktop->apply({{"lock", true}});
    desktop->apply({{"lock", false}});
    loop.drain();
    std::lock_guard lock(mutex);
    EXPECT_EQ(heard,
              (std::vector<std::string>{"com.apple.screenIsLocked", "com.apple.screenIsUnlocked"}));
}

TEST(EventTap, ScriptStepsWaitingForPostedEventsRunInsideThePost) {
    auto desktop = loadDesktop(R"({"apps": [{"pid": 1}],
      "windows": [{"windowId": 1, "pid": 1, "tree": {"id": "w", "children": [{"id": "label", "role": "AXStaticText", "value": "0"}]}}],
      "script": [{"when": {"posted": "keyDown", "count": 3}, "do": {"set": {"element": "label", "attribute": "AXValue", "value": "third"}}},
                 {"when": {"posted": "keyDown"}, "do": {"secureInput": true}},
                 {"when": {"posted": "mouseMoved"}, "do": {"set": {"element": "label", "attribute": "AXValue", "value": "moved"}}}]})");
    auto& events = desktop->platform().events;
    const auto keyDown = [&] {
        events.post(*events.createKeyboardEvent(std::nullopt, 1, true), 0);
    };

    keyDown();
    EXPECT_TRUE(events.isSecureEventInputEnabled());
    keyDown();
    EXPECT_EQ(desktop->elementAttribute("label", "AXValue"), Json("0"));
    // The user's own key-downs do not count.
    desktop->apply({{"userInput", "keyDown"}});
    EXPECT_EQ(desktop->elementAttribute("label", "AXValue"), Json("0"));
    keyDown();
    EXPECT_EQ(desktop->elementAttribute("label", "AXValue"), Json("third"));
    desktop->apply({{"set", {{"element", "label"}, {"attribute", "AXValue"}, {"value", "reset"}}}});
    keyDown();
    EXPECT_EQ(desktop->elementAttribute("label", "AXValue"), Json("reset"));
}

TEST(EventTap, TimedScriptStepsRunOnTheirOwnAfterTheirTime) {
    const auto start = SteadyClock::now();
    auto desktop = loadDesktop(R"({"script": [{"at": 0.05, "do": {"secureInput": true}},
                                               {"at": 0.0, "do": {"session": null}}]})");
    auto& events = desktop->platform().events;
    EXPECT_TRUE(eventually([&] { return events.isSecureEventInputEnabled(); }));
    EXPECT_GE(secondsSince(start), 0.045);
    EXPECT_FALSE(desktop->platform().windowServer.copyCurrentSessionDictionary());
}

} // namespace
} // namespace orvel::sim::testing
