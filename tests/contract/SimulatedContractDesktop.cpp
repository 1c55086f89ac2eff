// The simulated desktop as a contract desktop: scenarios/contract-desktop.json mirrors the
// Linux session's two GTK test windows, each with a patch drawn as a button without a title.
#include "contract/ContractDesktops.hpp"
#include "contract/DesktopFactories.hpp"
#include "platform/sim/SimulatedDesktop.hpp"

#include <fstream>
#include <sstream>
#include <thread>

namespace orvel::contract {

namespace {

// The simulated desktop paints a button's face in this colour inside a one-point outline, which
// the patch keeps clear of.
constexpr Colour buttonFace{214, 228, 255};
constexpr double outline = 2;

Rect inside(const Rect& frame) {
    return Rect{{frame.origin.x + outline, frame.origin.y + outline},
                {frame.size.width - 2 * outline, frame.size.height - 2 * outline}};
}

class SimulatedContractDesktop final : public ContractDesktop {
  public:
    explicit SimulatedContractDesktop(std::unique_ptr<sim::SimulatedDesktop> desktop)
        : desktop_(std::move(desktop)),
          loop_([this] { desktop_->platform().mainLoop.runForever(); }) {
        first_ = KnownWindow{4101,
                             4201,
                             "Orvel testvindu",
                             "no.orvel.TestApp",
                             "orvel-test-app",
                             1765000000.2,
                             Rect{{200, 150}, {642, 545}},
                             inside(Rect{{213, 182}, {120, 60}}),
                             buttonFace};
        second_ = KnownWindow{4102,
                              4202,
                              "Orvel dekker",
                              "no.orvel.TestApp.Cover",
                              "orvel-test-app",
                              1765000100.7,
                              Rect{{180, 160}, {500, 400}},
                              inside(Rect{{193, 192}, {120, 60}}),
                              buttonFace};
    }

    ~SimulatedContractDesktop() override {
        desktop_->platform().mainLoop.quit();
        loop_.join();
    }

    platform::Platform& platform() override { return desktop_->platform(); }
    const KnownWindow& first() const override { return first_; }
    const KnownWindow& second() const override { return second_; }

    void setMinimised(const KnownWindow& window, bool minimised) override {
        desktop_->apply(Json{{minimised ? "hideWindow" : "showWindow", window.windowId}});
    }

    void setLocked(bool locked) override {
        desktop_->apply(Json{{"session",
                              {{"kCGSSessionOnConsoleKey", true},
                               {"kCGSessionLoginDoneKey", true},
                               {"CGSSessionScreenIsLocked", locked}}}});
        desktop_->apply(Json{{"lock", locked}});
    }

    void setLockSourcesAbsent(bool absent) override {
        if (absent) {
            desktop_->apply(Json{{"session", nullptr}});
        } else {
            setLocked(false);
        }
    }

    void reset() override {
        setLocked(false);
        setMinimised(first_, false);
        setMinimised(second_, false);
        platform().workspace.activate(second_.pid, 0);
    }

  private:
    std::unique_ptr<sim::SimulatedDesktop> desktop_;
    std::thread loop_;
    KnownWindow first_;
    KnownWindow second_;
};

} // namespace

std::unique_ptr<ContractDesktop> makeSimulatedContractDesktop(std::string& whyNot) {
    std::ifstream file(std::string(ORVEL_SCENARIO_DIR) + "/contract-desktop.json");
    std::stringstream text;
    text << file.rdbuf();
    auto desktop = sim::SimulatedDesktop::load(text.str(), whyNot);
    if (!desktop) {
        return nullptr;
    }
    return std::make_unique<SimulatedContractDesktop>(std::move(desktop));
}

} // namespace orvel::contract
