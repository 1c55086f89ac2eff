// The one object that holds the book of held input and the event source every synthetic
// event is created from. The source carries the takeover listener's signature, so the
// listener recognises the program's own events. It also counts the events of actions that
// reached the desktop, so that an action cut short can say whether any of its input arrived.
//
// Thread-safe: the ledger has its own locks, the source never changes after construction and
// the count is atomic. The ledger's release function posts up events and runs under the
// ledger's lock; releases are not counted as delivered input.
#pragma once

#include "InputPacing.hpp"
#include "OrvelControlCore/Clock.hpp"
#include "OrvelControlCore/InputLedger.hpp"
#include "OrvelControlCore/KeyPolicy.hpp"
#include "platform/EventSystem.hpp"

#include <atomic>
#include <cstdint>
#include <optional>

namespace orvel {

class InputState {
  public:
    // `keys` is the desktop's key policy, which decides the combinations that may be sent.
    InputState(platform::EventSystem& events, std::int64_t signature, KeyPolicy keys,
               WallClock clock = systemNow, InputPacing pacing = {});
    InputState(const InputState&) = delete;
    InputState& operator=(const InputState&) = delete;

    InputLedger& ledger() { return ledger_; }
    const InputLedger& ledger() const { return ledger_; }
    std::optional<platform::EventSourceRef> source() const { return source_; }
    platform::EventSystem& events() { return events_; }
    const KeyPolicy& keyPolicy() const { return keys_; }
    const InputPacing& pacing() const { return pacing_; }

    // Posts one event of an action at the HID tap and counts it as delivered.
    void post(const platform::Event& event);
    // How many events of actions have been posted since the start; only ever grows.
    std::uint64_t delivered() const { return delivered_.load(); }

  private:
    bool postRelease(HeldInput input, std::optional<Point> point);

    platform::EventSystem& events_;
    const std::optional<platform::EventSourceRef> source_;
    const KeyPolicy keys_;
    const InputPacing pacing_;
    std::atomic<std::uint64_t> delivered_{0};
    InputLedger ledger_;
};

} // namespace orvel
