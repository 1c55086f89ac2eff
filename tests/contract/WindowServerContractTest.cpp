// What the engine relies on from the window server: every ordinary window with its owner,
// number, frame, title and layer, front to back, on-screen windows marked as such, and
// minimised windows kept out of the on-screen list but still listed.
#include "contract/ContractDesktops.hpp"

#include <algorithm>

namespace orvel::contract {
namespace {

constexpr std::uint32_t onScreen =
    platform::windowlist::onScreenOnly | platform::windowlist::excludeDesktopElements;
constexpr std::uint32_t everyWindow = platform::windowlist::excludeDesktopElements;

class WindowServerContract : public ContractTest {
  protected:
    Json windows(std::uint32_t options) {
        auto list = platform().windowServer.copyWindowInfo(options, 0);
        return list && list->is_array() ? *list : Json::array();
    }

    const Json* find(const Json& list, const KnownWindow& window) {
        for (const auto& entry : list) {
            if (entry.value("kCGWindowNumber", Json()) == window.windowId) {
                return &entry;
            }
        }
        return nullptr;
    }

    // The position of each window in the on-screen list; the size of the list when absent.
    std::pair<std::size_t, std::size_t> places(const KnownWindow& a, const KnownWindow& b) {
        std::vector<std::uint32_t> order;
        for (const auto& entry : windows(onScreen)) {
            order.push_back(entry.value("kCGWindowNumber", 0U));
        }
        auto at = [&order](const KnownWindow& window) {
            return static_cast<std::size_t>(std::find(order.begin(), order.end(), window.windowId) -
                                            order.begin());
        };
        return {at(a), at(b)};
    }
};

TEST_P(WindowServerContract, ListsEachKnownWindowWithItsOwnerFrameTitleAndLayer) {
    const auto list = windows(onScreen);
    for (const auto* known : {&desktop().first(), &desktop().second()}) {
        const Json* entry = find(list, *known);
        ASSERT_NE(entry, nullptr) << known->title << " in " << list.dump();
        EXPECT_EQ((*entry)["kCGWindowOwnerPID"], known->pid);
        EXPECT_TRUE((*entry)["kCGWindowOwnerPID"].is_number_integer());
        EXPECT_EQ((*entry)["kCGWindowName"], known->title);
        EXPECT_EQ((*entry)["kCGWindowLayer"], 0);
        EXPECT_EQ((*entry)["kCGWindowIsOnscreen"], true);
        const auto& bounds = (*entry)["kCGWindowBounds"];
        EXPECT_EQ(bounds["X"].get<double>(), known->frame.origin.x) << bounds.dump();
        EXPECT_EQ(bounds["Y"].get<double>(), known->frame.origin.y) << bounds.dump();
        EXPECT_EQ(bounds["Width"].get<double>(), known->frame.size.width) << bounds.dump();
        EXPECT_EQ(bounds["Height"].get<double>(), known->frame.size.height) << bounds.dump();
    }
}

TEST_P(WindowServerContract, OrdersWindowsFrontToBackAsTheyAreActivated) {
    auto [first, second] = places(desktop().first(), desktop().second());
    EXPECT_LT(second, first) << "the second window starts in front";
    ASSERT_TRUE(platform().workspace.activate(desktop().first().pid, 0));
    EXPECT_TRUE(eventually([&] {
        auto [nowFirst, nowSecond] = places(desktop().first(), desktop().second());
        return nowFirst < nowSecond && nowSecond < windows(onScreen).size();
    }));
    ASSERT_TRUE(platform().workspace.activate(desktop().second().pid, 0));
    EXPECT_TRUE(eventually([&] {
        auto [nowFirst, nowSecond] = places(desktop().first(), desktop().second());
        return nowSecond < nowFirst && nowFirst < windows(onScreen).size();
    }));
}

TEST_P(WindowServerContract, KeepsAMinimisedWindowOutOfTheOnScreenListOnly) {
    desktop().setMinimised(desktop().first(), true);
    EXPECT_TRUE(eventually([&] { return find(windows(onScreen), desktop().first()) == nullptr; }));
    const auto all = windows(everyWindow);
    const Json* entry = find(all, desktop().first());
    ASSERT_NE(entry, nullptr) << "a minimised window is still the app's window";
    EXPECT_NE(entry->value("kCGWindowIsOnscreen", false), true);
    EXPECT_EQ((*entry)["kCGWindowOwnerPID"], desktop().first().pid);
    desktop().setMinimised(desktop().first(), false);
    EXPECT_TRUE(eventually([&] { return find(windows(onScreen), desktop().first()) != nullptr; }));
}

ORVEL_CONTRACT_SUITE(WindowServerContract);

} // namespace
} // namespace orvel::contract
