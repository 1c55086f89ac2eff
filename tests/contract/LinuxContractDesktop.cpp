// The Linux desktop as a contract desktop, inside the private desktop session: two instances
// of the GTK test application, the second covering the first's patch, and the session's
// lock-service double for the lock. The accessibility bus is not under test here, so the
// desktop runs with the service that reports it unreachable.
#include "contract/ContractDesktops.hpp"
#include "contract/DesktopFactories.hpp"
#include "linux/support/PrivateSession.hpp"
#include "linux/support/RunningDesktop.hpp"
#include "linux/support/TestApplication.hpp"
#include "linux/support/UnreachableAccessibility.hpp"

#include <algorithm>

namespace orvel::contract {

namespace {

using testing::TestApplication;
using testing::TestApplicationOptions;

KnownWindow knownWindow(const TestApplication& app) {
    const auto colour = testing::colourOf(app.options().patch);
    return KnownWindow{app.pid(),
                       app.windowId(),
                       app.options().title,
                       app.options().applicationId,
                       "orvel-test-app",
                       app.startedAt(),
                       app.frame(),
                       app.patch(),
                       Colour{colour.red, colour.green, colour.blue}};
}

// The window numbers of the on-screen window list, front to back.
std::vector<std::uint32_t> windowOrder(platform::Platform& platform) {
    std::vector<std::uint32_t> order;
    auto list = platform.windowServer.copyWindowInfo(
        platform::windowlist::onScreenOnly | platform::windowlist::excludeDesktopElements, 0);
    for (const auto& window : list.value_or(Json::array())) {
        order.push_back(window.value("kCGWindowNumber", 0U));
    }
    return order;
}

class LinuxContractDesktop final : public ContractDesktop {
  public:
    LinuxContractDesktop(std::unique_ptr<TestApplication> first,
                         std::unique_ptr<TestApplication> second,
                         std::unique_ptr<testing::RunningDesktop> desktop)
        : firstApp_(std::move(first)), secondApp_(std::move(second)), desktop_(std::move(desktop)),
          first_(knownWindow(*firstApp_)), second_(knownWindow(*secondApp_)) {}

    platform::Platform& platform() override { return desktop_->platform(); }
    const KnownWindow& first() const override { return first_; }
    const KnownWindow& second() const override { return second_; }

    void setMinimised(const KnownWindow& window, bool minimised) override {
        auto& app = window.pid == first_.pid ? *firstApp_ : *secondApp_;
        bool& state = window.pid == first_.pid ? firstMinimised_ : secondMinimised_;
        if (state != minimised && app.command(minimised ? "iconify" : "deiconify")) {
            state = minimised;
        }
    }

    void setLocked(bool locked) override {
        testing::PrivateSession::callLockDouble("SetLocked",
                                                {locked ? "boolean:true" : "boolean:false"});
    }

    void setLockSourcesAbsent(bool absent) override {
        const std::string present = absent ? "boolean:false" : "boolean:true";
        testing::PrivateSession::callLockDouble("SetPresent", {present, present});
    }

    void reset() override {
        setLockSourcesAbsent(false);
        setLocked(false);
        testing::PrivateSession::callLockDouble("SetScreensaverActive", {"boolean:false"});
        setMinimised(first_, false);
        setMinimised(second_, false);
        platform().workspace.activate(second_.pid, 0);
        eventually([this] {
            auto order = windowOrder(platform());
            auto firstAt = std::find(order.begin(), order.end(), first_.windowId);
            auto secondAt = std::find(order.begin(), order.end(), second_.windowId);
            return secondAt < firstAt && firstAt != order.end();
        });
    }

  private:
    std::unique_ptr<TestApplication> firstApp_;
    std::unique_ptr<TestApplication> secondApp_;
    std::unique_ptr<testing::RunningDesktop> desktop_;
    KnownWindow first_;
    KnownWindow second_;
    bool firstMinimised_ = false;
    bool secondMinimised_ = false;
};

} // namespace

std::unique_ptr<ContractDesktop> makeLinuxContractDesktop(std::string& whyNot) {
    auto options = testing::PrivateSession::desktopOptions(whyNot);
    if (!options) {
        return nullptr;
    }
    TestApplicationOptions firstOptions;
    auto first = TestApplication::start(firstOptions, whyNot);
    TestApplicationOptions secondOptions{.title = "Orvel dekker",
                                         .x = 180,
                                         .y = 160,
                                         .width = 500,
                                         .height = 380,
                                         .patch = "00a05a",
                                         .applicationId = "no.orvel.TestApp.Cover"};
    auto second = first ? TestApplication::start(secondOptions, whyNot) : nullptr;
    if (!second) {
        return nullptr;
    }
    auto accessibility = std::make_shared<orvel::testing::UnreachableAccessibility>();
    auto desktop = testing::RunningDesktop::open(*options, accessibility, accessibility, whyNot);
    if (!desktop) {
        return nullptr;
    }
    return std::make_unique<LinuxContractDesktop>(std::move(first), std::move(second),
                                                  std::move(desktop));
}

} // namespace orvel::contract
