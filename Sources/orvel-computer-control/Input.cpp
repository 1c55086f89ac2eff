#include "Input.hpp"

#include "OrvelControlCore/Failure.hpp"
#include "OrvelControlCore/Json.hpp"
#include "OrvelControlCore/Keymap.hpp"
#include "OrvelControlCore/Limits.hpp"
#include "OrvelControlCore/Text.hpp"
#include "platform/Event.hpp"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <thread>
#include <utility>

namespace orvel::Input {
namespace {

namespace eventtype = platform::eventtype;

// Typed characters are sent on the key of "a", carrying the character as their Unicode string.
constexpr std::uint16_t typingKeyCode = 0;
constexpr HeldInput leftButton{HeldInput::Kind::button, 0};

Failure refusal(const InputLedger& ledger) {
    if (ledger.isStopped()) {
        return Failure("stopped", "Styringen ble stoppet under handlingen.");
    }
    return Failure("cancelled", "Forespørselen ble avbrutt under handlingen.");
}

Failure unrecognisableEvents() {
    return Failure("uncertain",
                   "Kunne ikke lage hendelser som Orvel Rire kan kjenne igjen som sine egne.");
}

Failure uncreatableMouseEvent() {
    return Failure("uncertain", "Kunne ikke lage musehendelsen.");
}

Failure uncreatableKeystroke() {
    return Failure("uncertain", "Kunne ikke lage tastetrykket.");
}

// Control must be running, and there must be a source whose events carry the signature.
void checkReady(const InputState& state) {
    state.ledger().checkRunning();
    if (!state.source()) {
        throw unrecognisableEvents();
    }
}

void post(InputState& state, const platform::Event& event) {
    state.events().post(event, platform::eventtap::hidLocation);
}

std::optional<platform::Event> createMouseEvent(InputState& state, std::uint32_t type, Point at,
                                                std::uint32_t button = 0) {
    return state.events().createMouseEvent(state.source(), type, at, button);
}

platform::Event mouseEvent(InputState& state, std::uint32_t type, Point at) {
    auto event = createMouseEvent(state, type, at);
    if (!event) {
        throw uncreatableMouseEvent();
    }
    return std::move(*event);
}

struct KeyEvents {
    platform::Event down;
    platform::Event up;
};

std::optional<KeyEvents> createKeyEvents(InputState& state, std::uint16_t code) {
    auto down = state.events().createKeyboardEvent(state.source(), code, true);
    auto up = state.events().createKeyboardEvent(state.source(), code, false);
    if (!down || !up) {
        return std::nullopt;
    }
    return KeyEvents{std::move(*down), std::move(*up)};
}

std::uint32_t buttonNumber(const std::string& name) {
    if (name == "right") {
        return 1;
    }
    return name == "middle" ? 2 : 0;
}

std::uint32_t buttonDownType(std::uint32_t button) {
    if (button == 0) {
        return eventtype::leftMouseDown;
    }
    return button == 1 ? eventtype::rightMouseDown : eventtype::otherMouseDown;
}

std::uint32_t buttonUpType(std::uint32_t button) {
    if (button == 0) {
        return eventtype::leftMouseUp;
    }
    return button == 1 ? eventtype::rightMouseUp : eventtype::otherMouseUp;
}

std::optional<platform::Event> createClickEvent(InputState& state, std::uint32_t type, Point at,
                                                std::uint32_t button, int clickState) {
    auto event = createMouseEvent(state, type, at, button);
    if (event) {
        event->setIntegerValueField(platform::eventfield::mouseEventClickState, clickState);
    }
    return event;
}

// One down/up pair with click state `number`; failures carry the clicks completed before it.
void clickOnce(InputState& state, Point point, std::uint32_t button, int number,
               const InputGuard& guard) {
    const Json progress{{"clicks", number - 1}};
    const auto down = createClickEvent(state, buttonDownType(button), point, button, number);
    const auto up = createClickEvent(state, buttonUpType(button), point, button, number);
    if (!down || !up) {
        throw uncreatableMouseEvent().adding(progress);
    }
    auto& ledger = state.ledger();
    const HeldInput held = HeldInput::button(button);
    if (!ledger.press(held, point, guard.live, [&] { post(state, *down); })) {
        throw refusal(ledger).adding(progress);
    }
    ledger.lift(held, point, [&] { post(state, *up); });
}

Point dragPoint(Point from, Point to, int step) {
    if (step == dragSteps) {
        return to;
    }
    const double fraction = static_cast<double>(step) / dragSteps;
    return {from.x + (to.x - from.x) * fraction, from.y + (to.y - from.y) * fraction};
}

// Lets go of the drag's button at `at`. When the up event cannot be made the button stays
// booked, so that a stop or the stale-input release still lets go of it.
void releaseDragButton(InputState& state, Point at) {
    const auto up = createMouseEvent(state, eventtype::leftMouseUp, at);
    if (!up) {
        throw uncreatableMouseEvent();
    }
    state.ledger().lift(leftButton, at, [&] { post(state, *up); });
}

[[noreturn]] void abandonDrag(InputState& state, Point reached, const Failure& failure) {
    releaseDragButton(state, reached);
    throw failure.adding(Json{{"releasedAt", Json{{"x", reached.x}, {"y", reached.y}}}});
}

void checkWhileDragging(InputState& state, const InputGuard& guard, Point reached) {
    try {
        guard.check();
    } catch (const Failure& failure) {
        abandonDrag(state, reached, failure);
    } catch (...) {
        releaseDragButton(state, reached);
        throw;
    }
}

void checkWhileTyping(const InputGuard& guard, int typed) {
    try {
        guard.check();
    } catch (const Failure& failure) {
        throw failure.adding(Json{{"typed", typed}});
    }
}

void typeCharacter(InputState& state, const std::string& character, int typed,
                   const InputGuard& guard) {
    const Json progress{{"typed", typed}};
    auto keys = createKeyEvents(state, typingKeyCode);
    if (!keys) {
        throw uncreatableKeystroke().adding(progress);
    }
    const std::u16string units = text::utf16(character);
    keys->down.keyboardSetUnicodeString(units);
    keys->up.keyboardSetUnicodeString(units);
    auto& ledger = state.ledger();
    const HeldInput key = HeldInput::key(typingKeyCode);
    if (!ledger.press(key, std::nullopt, guard.live, [&] { post(state, keys->down); })) {
        throw refusal(ledger).adding(progress);
    }
    ledger.lift(key, std::nullopt, [&] { post(state, keys->up); });
}

} // namespace

void move(InputState& state, Point point, const InputGuard& guard) {
    checkReady(state);
    guard.check();
    const auto event = mouseEvent(state, eventtype::mouseMoved, point);
    if (!state.ledger().emitTransient(point, guard.live, [&] { post(state, event); })) {
        throw refusal(state.ledger());
    }
}

void click(InputState& state, Point point, const std::string& button, int count,
           const InputGuard& guard) {
    const std::uint32_t number = buttonNumber(button);
    const int clicks = std::clamp(count, 1, maxClicks);
    move(state, point, guard);
    guard.check();
    for (int k = 1; k <= clicks; ++k) {
        if (k > 1) {
            guard.check();
        }
        clickOnce(state, point, number, k, guard);
        if (k < clicks) {
            std::this_thread::sleep_for(clickPause);
        }
    }
}

void scroll(InputState& state, Point point, int dx, int dy, const InputGuard& guard) {
    move(state, point, guard);
    const auto event = state.events().createScrollWheelEvent(
        state.source(), platform::scrollunit::pixel, 2, std::clamp(dy, -scrollLimit, scrollLimit),
        std::clamp(dx, -scrollLimit, scrollLimit), 0);
    if (!event) {
        throw uncreatableMouseEvent();
    }
    if (!state.ledger().emitTransient(point, guard.live, [&] { post(state, *event); })) {
        throw refusal(state.ledger());
    }
}

void drag(InputState& state, Point from, Point to, const InputGuard& guard) {
    move(state, from, guard);
    auto& ledger = state.ledger();
    const auto down = mouseEvent(state, eventtype::leftMouseDown, from);
    if (!ledger.press(leftButton, from, guard.live, [&] { post(state, down); })) {
        throw refusal(ledger);
    }
    Point reached = from;
    checkWhileDragging(state, guard, reached);
    for (int step = 1; step <= dragSteps; ++step) {
        const Point point = dragPoint(from, to, step);
        const auto dragged = createMouseEvent(state, eventtype::leftMouseDragged, point);
        if (!dragged) {
            abandonDrag(state, reached, uncreatableMouseEvent());
        }
        if (!ledger.move(point, leftButton, guard.live, [&] { post(state, *dragged); })) {
            abandonDrag(state, reached, refusal(ledger));
        }
        reached = point;
        std::this_thread::sleep_for(dragStepPause);
        if (step < dragSteps) {
            checkWhileDragging(state, guard, reached);
        }
    }
    releaseDragButton(state, to);
}

void type(InputState& state, const std::string& text, const InputGuard& guard) {
    checkReady(state);
    const std::vector<std::string> characters = text::characters(text);
    if (characters.size() > static_cast<std::size_t>(Limits::typeLength)) {
        throw Failure("invalid_request", "Teksten er for lang til å skrives i én handling.");
    }
    int typed = 0;
    for (const std::string& character : characters) {
        if (typed % Limits::typeChunk == 0) {
            checkWhileTyping(guard, typed);
        }
        typeCharacter(state, character, typed, guard);
        ++typed;
        std::this_thread::sleep_for(typePause);
    }
}

void press(InputState& state, const std::string& key, const std::vector<std::string>& modifiers,
           const InputGuard& guard) {
    checkReady(state);
    const Keymap::Stroke stroke = Keymap::stroke(key, modifiers, state.keyPolicy());
    guard.check();
    auto keys = createKeyEvents(state, stroke.code);
    if (!keys) {
        throw uncreatableKeystroke();
    }
    keys->down.setFlags(stroke.flags);
    keys->up.setFlags(stroke.flags);
    auto& ledger = state.ledger();
    const HeldInput held = HeldInput::key(stroke.code);
    if (!ledger.press(held, std::nullopt, guard.live, [&] { post(state, keys->down); })) {
        throw refusal(ledger);
    }
    ledger.lift(held, std::nullopt, [&] { post(state, keys->up); });
}

} // namespace orvel::Input
