// The soak's X11 desktop: the private session it runs in, a real application stopped and
// continued at random, and the X server's own word on which keys and buttons are down.
#include "SoakDesktop.hpp"
#include "linux/support/InputWitness.hpp"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>

namespace orvel::soak {

namespace {

// A release the program posted reaches the server on the program's connection, which the
// witness's query may overtake: what is down is read again for this long before it counts.
constexpr auto releasePatience = std::chrono::milliseconds(1000);

class X11SoakDesktop final : public SoakDesktop {
  public:
    X11SoakDesktop(std::int32_t appPid, std::unique_ptr<testing::InputWitness> witness)
        : appPid_(appPid), witness_(std::move(witness)) {}

    std::map<std::string, std::string> environment() const override {
        return {{"ORVEL_DESKTOP", "x11"}};
    }
    std::vector<std::int32_t> pids() const override { return {appPid_, 999999}; }
    // Window ids on X11 are found by listing; the soak learns them from windows.list answers.
    std::vector<WindowRef> windows() const override { return {}; }
    void disturb(std::mt19937_64& random) override {
        if (random() % 40 != 0) {
            return;
        }
        stopped_ = !stopped_;
        ::kill(appPid_, stopped_ ? SIGSTOP : SIGCONT);
    }
    void settle() override {
        if (stopped_) {
            ::kill(appPid_, SIGCONT);
            stopped_ = false;
        }
    }
    std::optional<std::vector<std::string>> heldInput() const override {
        std::vector<std::string> held;
        testing::waitUntil(
            [&] {
                held = downNow();
                return held.empty();
            },
            releasePatience);
        return held;
    }

  private:
    std::vector<std::string> downNow() const {
        std::vector<std::string> down;
        for (unsigned int keycode : witness_->keysDown()) {
            down.push_back("keycode " + std::to_string(keycode));
        }
        const unsigned int buttons = witness_->buttonsDown();
        for (unsigned int button = 1; button <= 5; ++button) {
            if ((buttons & (1U << (7 + button))) != 0) {
                down.push_back("button " + std::to_string(button));
            }
        }
        return down;
    }

    std::int32_t appPid_;
    std::unique_ptr<testing::InputWitness> witness_;
    bool stopped_ = false;
};

} // namespace

std::unique_ptr<SoakDesktop> x11Desktop(std::int32_t appPid) {
    const char* display = std::getenv("DISPLAY");
    auto witness = testing::InputWitness::open(display != nullptr ? display : "");
    if (!witness) {
        return nullptr;
    }
    return std::make_unique<X11SoakDesktop>(appPid, std::move(witness));
}

} // namespace orvel::soak
