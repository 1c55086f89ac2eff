// The soak's X11 desktop: the private session it runs in, a real application stopped and
// continued at random, the person moving the mouse now and then, and the X server's own word
// on which keys and buttons are down.
#include "SoakDesktop.hpp"
#include "linux/support/InputWitness.hpp"

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace orvel::soak {

namespace {

// A release the program posted reaches the server on the program's connection, which the
// witness's query may overtake: what is down is read again for this long before it counts.
constexpr auto releasePatience = std::chrono::milliseconds(1000);

// A connection of the soak's own to the session's display ($DISPLAY); null when it cannot
// be opened.
std::unique_ptr<testing::InputWitness> openSessionDisplay() {
    const char* display = std::getenv("DISPLAY");
    return testing::InputWitness::open(display != nullptr ? display : "");
}

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
        if (!person_.joinable()) {
            startPerson(random());
        }
        if (random() % 40 == 0) {
            stopped_ = !stopped_;
            ::kill(appPid_, stopped_ ? SIGSTOP : SIGCONT);
        }
    }
    void settle() override {
        stopPerson();
        if (stopped_) {
            ::kill(appPid_, SIGCONT);
            stopped_ = false;
        }
    }
    ~X11SoakDesktop() override { stopPerson(); }
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
    // The person at the desktop, on a connection of their own: every few hundred milliseconds
    // they move the mouse through the server's own pointer device, as a hand on it would,
    // which takes over whatever foreground action is under way.
    void startPerson(std::uint64_t seed) {
        auto hand = openSessionDisplay();
        if (!hand) {
            return;
        }
        person_ = std::thread([this, seed, hand = std::move(hand)] {
            std::mt19937_64 random(seed);
            std::unique_lock guard(personLock_);
            while (!personDone_.wait_for(guard, std::chrono::milliseconds(50 + random() % 400),
                                         [this] { return stopPerson_; })) {
                hand->userMovesPointer(100 + static_cast<int>(random() % 600),
                                       100 + static_cast<int>(random() % 400));
            }
        });
    }

    void stopPerson() {
        {
            std::lock_guard guard(personLock_);
            stopPerson_ = true;
        }
        personDone_.notify_all();
        if (person_.joinable()) {
            person_.join();
        }
    }

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
    std::mutex personLock_;
    std::condition_variable personDone_;
    bool stopPerson_ = false; // guarded by personLock_
    std::thread person_;
};

} // namespace

std::unique_ptr<SoakDesktop> x11Desktop(std::int32_t appPid) {
    auto witness = openSessionDisplay();
    if (!witness) {
        return nullptr;
    }
    return std::make_unique<X11SoakDesktop>(appPid, std::move(witness));
}

} // namespace orvel::soak
