// Every service used from several threads at once while the world changes under them, with
// the main loop delivering: nothing is lost, nothing deadlocks, and (under ThreadSanitizer)
// nothing races.
#include "SimTestSupport.hpp"

#include "platform/sim/DefaultScenario.hpp"

#include <gtest/gtest.h>

#include <atomic>

namespace orvel::sim::testing {
namespace {

TEST(Concurrency, ServicesStayConsistentUnderConcurrentUse) {
    std::atomic<int> delivered{0};
    std::atomic<int> captures{0};
    auto desktop = loadDesktop(defaultScenarioText);
    auto& platform = desktop->platform();
    MainLoopThread loop(platform.mainLoop);
    auto tap = platform.events.createTap(
        1, 0, 1, ~std::uint64_t{0},
        [&](std::uint32_t, const platform::Event&) { delivered.fetch_add(1); });
    ASSERT_TRUE(tap);
    platform.events.addSourceToMainRunLoop(*platform.events.createRunLoopSource(*tap));

    constexpr int rounds = 40;
    std::vector<std::thread> threads;
    threads.emplace_back([&] {
        for (int round = 0; round < rounds; ++round) {
            auto& ax = platform.accessibility;
            auto app = ax.createApplication(501);
            ax.setMessagingTimeout(app, 1.5f);
            auto windows = ax.copyAttributeValue(app, "AXWindows");
            for (const auto& window : windows.value.array) {
                for (const auto& child :
                     ax.copyAttributeValue(window.element, "AXChildren").value.array) {
                    ax.copyAttributeValue(child.element, "AXValue");
                }
            }
            ax.copyElementAtPosition(ax.createSystemWide(), 200, 227);
        }
    });
    threads.emplace_back([&] {
        for (int round = 0; round < rounds; ++round) {
            auto event = platform.events.createMouseEvent(
                std::nullopt, platform::eventtype::mouseMoved, Point{double(round), 5}, 0);
            platform.events.post(*event, 0);
            platform.windowServer.copyWindowInfo(17, 0);
        }
    });
    threads.emplace_back([&] {
        for (int round = 0; round < rounds; ++round) {
            desktop->apply({{"set",
                             {{"element", "save-status"},
                              {"attribute", "AXValue"},
                              {"value", std::to_string(round)}}}});
            desktop->apply({{"moveWindow", {{"windowId", 201}, {"dx", 1}, {"dy", 0}}}});
            platform.workspace.activate(round % 2 ? 501 : 502, 0);
            platform.workspace.runningApplications();
        }
    });
    threads.emplace_back([&] {
        for (int round = 0; round < 5; ++round) {
            platform::StreamConfiguration configuration;
            configuration.width = 76;
            configuration.height = 56;
            platform.capture.captureImage(101, configuration, [&](auto image, auto) {
                if (image) {
                    captures.fetch_add(1);
                }
            });
        }
    });
    for (auto& thread : threads) {
        thread.join();
    }
    loop.drain();
    EXPECT_EQ(delivered.load(), rounds);
    EXPECT_EQ(desktop->eventLog().size(), static_cast<std::size_t>(rounds));
    EXPECT_EQ(desktop->elementAttribute("save-status", "AXValue"),
              Json(std::to_string(rounds - 1)));
    EXPECT_EQ(desktop->elementAttribute("calendar-window", "AXPosition"),
              (Json{{"x", 740.0}, {"y", 420.0}}));
    EXPECT_TRUE(eventually([&] { return captures.load() == 5; }));
}

} // namespace
} // namespace orvel::sim::testing
