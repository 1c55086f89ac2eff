#include "InputState.hpp"

#include "platform/Event.hpp"

namespace orvel {

namespace {

std::optional<platform::EventSourceRef> makeSource(platform::EventSystem& events,
                                                   std::int64_t signature) {
    auto source = events.createSource(platform::eventsource::hidSystemState);
    if (source) {
        events.setSourceUserData(*source, signature);
    }
    return source;
}

std::uint32_t buttonUpType(std::uint32_t button) {
    if (button == 0) {
        return platform::eventtype::leftMouseUp;
    }
    return button == 1 ? platform::eventtype::rightMouseUp : platform::eventtype::otherMouseUp;
}

} // namespace

InputState::InputState(platform::EventSystem& events, std::int64_t signature, KeyPolicy keys,
                       WallClock clock, InputPacing pacing)
    : events_(events), source_(makeSource(events, signature)), keys_(std::move(keys)),
      pacing_(pacing),
      ledger_(
          [this](HeldInput input, std::optional<Point> point) { return postRelease(input, point); },
          std::move(clock)) {}

void InputState::post(const platform::Event& event) {
    events_.post(event, platform::eventtap::hidLocation);
    delivered_.fetch_add(1);
}

bool InputState::postRelease(HeldInput input, std::optional<Point> point) {
    Point at = point ? *point : events_.currentPointerLocation().value_or(Point{0, 0});
    std::optional<platform::Event> event;
    if (input.kind == HeldInput::Kind::button) {
        event = events_.createMouseEvent(source_, buttonUpType(input.code), at, input.code);
    } else {
        event = events_.createKeyboardEvent(source_, static_cast<std::uint16_t>(input.code), false);
    }
    if (!event) {
        return false;
    }
    events_.post(*event, platform::eventtap::hidLocation);
    return true;
}

} // namespace orvel
