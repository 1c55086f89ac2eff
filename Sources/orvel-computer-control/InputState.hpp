// The one object that holds the book of held input and the event source every synthetic
// event is created from. The source carries the takeover listener's signature, so the
// listener recognises the program's own events.
//
// Thread-safe: the ledger has its own locks and the source never changes after construction.
// The ledger's release function posts up events and runs under the ledger's lock.
#pragma once

#include "OrvelControlCore/Clock.hpp"
#include "OrvelControlCore/InputLedger.hpp"
#include "platform/EventSystem.hpp"

#include <cstdint>
#include <optional>

namespace orvel {

class InputState {
  public:
    InputState(platform::EventSystem& events, std::int64_t signature, WallClock clock = systemNow);
    InputState(const InputState&) = delete;
    InputState& operator=(const InputState&) = delete;

    InputLedger& ledger() { return ledger_; }
    const InputLedger& ledger() const { return ledger_; }
    std::optional<platform::EventSourceRef> source() const { return source_; }
    platform::EventSystem& events() { return events_; }

  private:
    bool postRelease(HeldInput input, std::optional<Point> point);

    platform::EventSystem& events_;
    const std::optional<platform::EventSourceRef> source_;
    InputLedger ledger_;
};

} // namespace orvel
