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
#include <string_view>
#include <thread>
#include <utility>

namespace orvel::Input {
namespace {

namespace eventtype = platform::eventtype;

// Typed characters are sent on the key of "a", carrying the character as their Unicode string.
constexpr std::uint16_t typingKeyCode = 0;
constexpr HeldInput leftButton{HeldInput::Kind::button, 0};

constexpr std::string_view unsignedEvents =
    "Kunne ikke lage hendelser som Orvel Rire kan kjenne igjen som sine egne.";
constexpr std::string_view uncreatableMouseEvent = "Kunne ikke lage musehendelsen.";
constexpr std::string_view uncreatableKeystroke = "Kunne ikke lage tastetrykket.";
constexpr std::string_view untypeableControl =
    "Teksten har kontrolltegn som ikke kan skrives på dette skrivebordet.";

// A control character other than tab, carriage return and line feed: C0 (one byte below
// 0x20), DEL, or C1 (U+0080 to U+009F, encoded as 0xC2 0x80 to 0xC2 0x9F).
bool holdsControlCharacter(std::string_view text) {
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        const bool c0 = byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r';
        const bool c1 = byte == 0xC2 && at + 1 < text.size() &&
                        static_cast<unsigned char>(text[at + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[at + 1]) <= 0x9F;
        if (c0 || byte == 0x7F || c1) {
            return true;
        }
    }
    return false;
}

Json progressOf(std::string_view key, int value) {
    return Json{{std::string(key), value}};
}

Json releasedAt(Point point) {
    return Json{{"releasedAt", Json{{"x", point.x}, {"y", point.y}}}};
}

// One input operation under way: its state, its guard, and how much input it has delivered.
class Operation {
  public:
    Operation(InputState& state, const InputGuard& guard)
        : state(state), guard(guard), deliveredAtStart_(state.delivered()) {}

    InputState& state;
    const InputGuard& guard;

    InputLedger& ledger() { return state.ledger(); }
    bool deliveredAny() const { return state.delivered() != deliveredAtStart_; }
    bool takenOver() const { return guard.takenOver && guard.takenOver(); }

    // Control must be running, and there must be a source whose events carry the signature.
    void checkReady() {
        ledger().checkRunning();
        if (!state.source()) {
            throw unavailable(unsignedEvents);
        }
    }

    // Whether the takeover listener has judged every event that reached the desktop so far;
    // asked right before each event is booked, so that nothing is posted after a user event
    // the listener has seen.
    bool judged() { return state.events().awaitTapDelivery(judgementBound); }

    void awaitJudgement(const Json& progress) {
        if (!judged()) {
            throw unseen().adding(progress);
        }
    }

    // After the last event: a user event that arrived among the action's own still stops it.
    void finish(const Json& progress) {
        if (!deliveredAny()) {
            return;
        }
        awaitJudgement(progress);
        if (takenOver()) {
            throw userTookOver().adding(progress);
        }
    }

    void post(const platform::Event& event) { state.post(event); }

    // Why the ledger refused an event.
    Failure refusal() {
        if (takenOver()) {
            return userTookOver();
        }
        if (ledger().isStopped()) {
            return Failure("stopped", "Styringen ble stoppet under handlingen.");
        }
        return Failure("cancelled", "Forespørselen ble avbrutt under handlingen.");
    }

    // An event that could not be made: says whether any of the action's input was sent.
    Failure unavailable(std::string_view what) const {
        const char* const outcome =
            deliveredAny() ? " Handlingen ble bare delvis utført." : " Ingenting ble sendt.";
        return Failure("input_unavailable", std::string(what) + outcome);
    }

    Failure unseen() const {
        return Failure("foreground_lost", "Orvel Rire kan ikke lenger se om du tar over tastatur "
                                          "og mus. Handlingen ble stoppet.");
    }

  private:
    const std::uint64_t deliveredAtStart_;
};

// Runs the guard's check; its failure carries `progress`.
void checkAdding(const InputGuard& guard, const Json& progress) {
    try {
        guard.check();
    } catch (const Failure& failure) {
        throw failure.adding(progress);
    }
}

std::optional<platform::Event> createMouseEvent(Operation& op, std::uint32_t type, Point at,
                                                std::uint32_t button = 0) {
    return op.state.events().createMouseEvent(op.state.source(), type, at, button);
}

platform::Event mouseEvent(Operation& op, std::uint32_t type, Point at) {
    auto event = createMouseEvent(op, type, at);
    if (!event) {
        throw op.unavailable(uncreatableMouseEvent);
    }
    return std::move(*event);
}

struct KeyEvents {
    platform::Event down;
    platform::Event up;
};

std::optional<KeyEvents> createKeyEvents(Operation& op, std::uint16_t code) {
    auto& events = op.state.events();
    auto down = events.createKeyboardEvent(op.state.source(), code, true);
    auto up = events.createKeyboardEvent(op.state.source(), code, false);
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

std::optional<platform::Event> createClickEvent(Operation& op, std::uint32_t type, Point at,
                                                std::uint32_t button, int clickState) {
    auto event = createMouseEvent(op, type, at, button);
    if (event) {
        event->setIntegerValueField(platform::eventfield::mouseEventClickState, clickState);
    }
    return event;
}

void moveTo(Operation& op, Point point) {
    op.checkReady();
    op.guard.check();
    const auto event = mouseEvent(op, eventtype::mouseMoved, point);
    op.awaitJudgement(Json::object());
    if (!op.ledger().emitTransient(point, op.guard.live, [&] { op.post(event); })) {
        throw op.refusal();
    }
}

// One down/up pair with click state `number`; failures carry the clicks completed before it.
void clickOnce(Operation& op, Point point, std::uint32_t button, int number) {
    const Json progress = progressOf("clicks", number - 1);
    checkAdding(op.guard, progress);
    const auto down = createClickEvent(op, buttonDownType(button), point, button, number);
    const auto up = createClickEvent(op, buttonUpType(button), point, button, number);
    if (!down || !up) {
        throw op.unavailable(uncreatableMouseEvent).adding(progress);
    }
    op.awaitJudgement(progress);
    const HeldInput held = HeldInput::button(button);
    if (!op.ledger().press(held, point, op.guard.live, [&] { op.post(*down); })) {
        throw op.refusal().adding(progress);
    }
    op.ledger().lift(held, point, [&] { op.post(*up); });
}

Point dragPoint(Point from, Point to, int step) {
    if (step == dragSteps) {
        return to;
    }
    const double fraction = static_cast<double>(step) / dragSteps;
    return {from.x + (to.x - from.x) * fraction, from.y + (to.y - from.y) * fraction};
}

// Lets go of the drag's button at `at`; false when it is still held. Without an up event of
// its own the ledger's release is tried, and if that cannot be posted either the button stays
// booked, so that the next halt, release request or watchdog tick lets go of it.
bool releaseDragButton(Operation& op, Point at) {
    const auto up = createMouseEvent(op, eventtype::leftMouseUp, at);
    if (!up) {
        return op.ledger().letGo(leftButton, at);
    }
    op.ledger().lift(leftButton, at, [&] { op.post(*up); });
    return true;
}

// Ends a drag cut short: lets go where it got to and fails with its own failure.
[[noreturn]] void abandonDrag(Operation& op, Point reached, const Failure& failure) {
    releaseDragButton(op, reached);
    throw failure.adding(releasedAt(reached));
}

void checkWhileDragging(Operation& op, Point reached) {
    try {
        op.guard.check();
    } catch (const Failure& failure) {
        abandonDrag(op, reached, failure);
    } catch (...) {
        releaseDragButton(op, reached);
        throw;
    }
}

void typeCharacter(Operation& op, const std::string& character, int typed) {
    const Json progress = progressOf("typed", typed);
    auto keys = createKeyEvents(op, typingKeyCode);
    if (!keys) {
        throw op.unavailable(uncreatableKeystroke).adding(progress);
    }
    const std::u16string units = text::utf16(character);
    keys->down.keyboardSetUnicodeString(units);
    keys->up.keyboardSetUnicodeString(units);
    op.awaitJudgement(progress);
    const HeldInput key = HeldInput::key(typingKeyCode);
    if (!op.ledger().press(key, std::nullopt, op.guard.live, [&] { op.post(keys->down); })) {
        throw op.refusal().adding(progress);
    }
    op.ledger().lift(key, std::nullopt, [&] { op.post(keys->up); });
}

} // namespace

Failure userTookOver() {
    return Failure("stopped", "Du tok over tastatur eller mus. Handlingen ble stoppet.");
}

void move(InputState& state, Point point, const InputGuard& guard) {
    Operation op(state, guard);
    moveTo(op, point);
    op.finish(Json::object());
}

void click(InputState& state, Point point, const std::string& button, int count,
           const InputGuard& guard) {
    Operation op(state, guard);
    const std::uint32_t number = buttonNumber(button);
    const int clicks = std::clamp(count, 1, maxClicks);
    moveTo(op, point);
    for (int k = 1; k <= clicks; ++k) {
        clickOnce(op, point, number, k);
        if (k < clicks) {
            std::this_thread::sleep_for(state.pacing().clickPause);
        }
    }
    op.finish(progressOf("clicks", clicks));
}

void scroll(InputState& state, Point point, int dx, int dy, const InputGuard& guard) {
    Operation op(state, guard);
    moveTo(op, point);
    const auto event = state.events().createScrollWheelEvent(
        state.source(), platform::scrollunit::pixel, 2, std::clamp(dy, -scrollLimit, scrollLimit),
        std::clamp(dx, -scrollLimit, scrollLimit), 0);
    if (!event) {
        throw op.unavailable(uncreatableMouseEvent);
    }
    op.awaitJudgement(Json::object());
    if (!op.ledger().emitTransient(point, guard.live, [&] { op.post(*event); })) {
        throw op.refusal();
    }
    op.finish(Json::object());
}

void drag(InputState& state, Point from, Point to, const InputGuard& guard) {
    Operation op(state, guard);
    moveTo(op, from);
    auto& ledger = op.ledger();
    const auto down = mouseEvent(op, eventtype::leftMouseDown, from);
    op.awaitJudgement(Json::object());
    if (!ledger.press(leftButton, from, guard.live, [&] { op.post(down); })) {
        throw op.refusal();
    }
    Point reached = from;
    checkWhileDragging(op, reached);
    for (int step = 1; step <= dragSteps; ++step) {
        const Point point = dragPoint(from, to, step);
        const auto dragged = createMouseEvent(op, eventtype::leftMouseDragged, point);
        if (!dragged) {
            abandonDrag(op, reached, op.unavailable(uncreatableMouseEvent));
        }
        if (!op.judged()) {
            abandonDrag(op, reached, op.unseen());
        }
        if (!ledger.move(point, leftButton, guard.live, [&] { op.post(*dragged); })) {
            abandonDrag(op, reached, op.refusal());
        }
        reached = point;
        std::this_thread::sleep_for(state.pacing().dragStepPause);
        if (step < dragSteps) {
            checkWhileDragging(op, reached);
        }
    }
    if (!releaseDragButton(op, to)) {
        throw op.unavailable(uncreatableMouseEvent);
    }
    op.finish(releasedAt(to));
}

void type(InputState& state, const std::string& text, const InputGuard& guard) {
    Operation op(state, guard);
    op.checkReady();
    const std::vector<std::string> characters = text::characters(text);
    if (characters.size() > static_cast<std::size_t>(Limits::typeLength)) {
        throw Failure("invalid_request", "Teksten er for lang til å skrives i én handling.");
    }
    if (!state.keyPolicy().typesControlCharacters && holdsControlCharacter(text)) {
        throw op.unavailable(untypeableControl);
    }
    int typed = 0;
    for (const std::string& character : characters) {
        if (typed % Limits::typeChunk == 0) {
            checkAdding(guard, progressOf("typed", typed));
        }
        typeCharacter(op, character, typed);
        ++typed;
        std::this_thread::sleep_for(state.pacing().typePause);
    }
    op.finish(progressOf("typed", typed));
}

void press(InputState& state, const std::string& key, const std::vector<std::string>& modifiers,
           const InputGuard& guard) {
    Operation op(state, guard);
    op.checkReady();
    const Keymap::Stroke stroke = Keymap::stroke(key, modifiers, state.keyPolicy());
    guard.check();
    auto keys = createKeyEvents(op, stroke.code);
    if (!keys) {
        throw op.unavailable(uncreatableKeystroke);
    }
    keys->down.setFlags(stroke.flags);
    keys->up.setFlags(stroke.flags);
    op.awaitJudgement(Json::object());
    const HeldInput held = HeldInput::key(stroke.code);
    if (!op.ledger().press(held, std::nullopt, guard.live, [&] { op.post(keys->down); })) {
        throw op.refusal();
    }
    op.ledger().lift(held, std::nullopt, [&] { op.post(keys->up); });
    op.finish(Json::object());
}

} // namespace orvel::Input
