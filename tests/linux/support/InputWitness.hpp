// What the X server itself says about input, read on a connection of the test's own: the keys
// and buttons down right now, the keysyms of keycodes, the keycodes the keymap left without a
// keysym when the witness opened, and the raw events the server delivered (XInput2, by device).
// Also "the user" of the takeover tests: a second client that opens the server's real keyboard
// and mouse (XOpenDevice) and sends events through them, which arrive with those devices' ids as
// a person's would.
//
// One test thread uses one witness.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

struct _XDisplay;

namespace orvel::testing {

class InputWitness {
  public:
    // Null when the display cannot be opened.
    static std::unique_ptr<InputWitness> open(const std::string& displayName);
    ~InputWitness();
    InputWitness(const InputWitness&) = delete;
    InputWitness& operator=(const InputWitness&) = delete;

    // Keycodes down (XQueryKeymap) and the pointer's buttons down (XQueryPointer's mask).
    std::vector<unsigned int> keysDown();
    unsigned int buttonsDown();
    // The keycodes that were spare when the witness opened and carry a keysym now.
    std::vector<unsigned int> remappedSpareKeycodes();
    const std::vector<unsigned int>& spareKeycodes() const { return spare_; }
    unsigned int keycodeOf(std::uint32_t keysym);
    // Locks or unlocks Caps Lock, as a person pressing the key would leave it; true when the
    // server took the request.
    bool lockCapsLock(bool locked);
    bool capsLocked();
    // Whether the keyboard focus is on a window of a client (not none, the root or wherever the
    // pointer is), as once the window manager has focused one.
    bool focusOnAWindow();

    // Raw events counted from the moment of `startRecording`.
    struct RawEvent {
        int type = 0; // XI_RawKeyPress...
        int sourceid = 0;
        unsigned int detail = 0;
    };
    void startRecording();
    std::vector<RawEvent> recorded(std::chrono::milliseconds settle);

    // The user: a key press and release on the server's keyboard, or a pointer move on its mouse.
    bool userPressesKey(unsigned int keycode);
    bool userMovesPointer(int x, int y);
    // Another client's XTest motion, which the server marks with the XTEST device as the
    // program's own.
    bool anotherClientMovesPointer(int x, int y);

  private:
    explicit InputWitness(struct _XDisplay* display);

    struct _XDisplay* display_;
    struct _XDisplay* user_ = nullptr;
    int opcode_ = 0;
    std::vector<unsigned int> spare_;
    std::vector<RawEvent> events_;
};

// Polls `condition` until it holds or `patience` passes; true when it held.
template <class Condition>
bool waitUntil(Condition condition,
               std::chrono::milliseconds patience = std::chrono::milliseconds(3000)) {
    const auto until = std::chrono::steady_clock::now() + patience;
    while (std::chrono::steady_clock::now() < until) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

} // namespace orvel::testing
