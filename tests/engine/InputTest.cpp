// Synthetic input on the simulated desktop, judged by the desktop's own event log: the exact
// event sequences, progress details when an action is cut short by a stop, a cancel or its
// guard, events that cannot be made, and a stop racing the actions from another thread. After
// every action the log must show each down event matched by its up event.
#include "Input.hpp"
#include "support/FailureOf.hpp"

#include "OrvelControlCore/Failure.hpp"
#include "platform/profiles/LinuxProfile.hpp"

#include "support/EngineHarness.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace orvel::testing {
namespace {

using namespace std::chrono_literals;

const Failure stoppedDuring("stopped", "Styringen ble stoppet under handlingen.");
const Failure cancelledDuring("cancelled", "Forespørselen ble avbrutt under handlingen.");
const Failure stoppedBefore("stopped", "Styringen er stoppet. Start en ny økt for å fortsette.");

InputGuard openGuard() {
    return {[] { return true; },
            [] {
            }};
}

// A guard whose `live` says yes to the first `posts` events only.
InputGuard liveFor(int posts) {
    auto calls = std::make_shared<int>(0);
    return {[calls, posts] { return (*calls)++ < posts; },
            [] {
            }};
}

// A guard whose check runs `onCall` with the number of the call (1, 2, ...).
InputGuard checking(std::function<void(int)> onCall) {
    auto calls = std::make_shared<int>(0);
    return {[] { return true; },
            [calls, onCall] {
                onCall(++*calls);
            }};
}

Json point(double x, double y) {
    return Json{{"x", x}, {"y", y}};
}

// The program's events logged after the first `from` entries of the log.
std::vector<Json> programEvents(EngineHarness& harness, std::size_t from = 0) {
    const auto log = harness.desktop().eventLog();
    std::vector<Json> events;
    for (std::size_t i = from; i < log.size(); ++i) {
        if (log[i]["source"] == "program") {
            events.push_back(log[i]);
        }
    }
    return events;
}

std::vector<std::string> kinds(const std::vector<Json>& events) {
    std::vector<std::string> names;
    for (const auto& event : events) {
        names.push_back(event["kind"]);
    }
    return names;
}

int countKind(const std::vector<Json>& events, const std::string& kind) {
    int count = 0;
    for (const auto& event : events) {
        count += event["kind"] == kind ? 1 : 0;
    }
    return count;
}

// "button 0" or "key 8" for a press or release, with whether it presses.
std::optional<std::pair<std::string, bool>> heldInputOf(const Json& event) {
    const std::string kind = event["kind"];
    for (const char* prefix : {"left", "right", "other"}) {
        if (kind == std::string(prefix) + "MouseDown" || kind == std::string(prefix) + "MouseUp") {
            return std::pair("button " + event["button"].dump(), kind.ends_with("Down"));
        }
    }
    if (kind == "keyDown" || kind == "keyUp") {
        return std::pair("key " + event["keyCode"].dump(), kind == "keyDown");
    }
    return std::nullopt;
}

// Every down event is followed by exactly one up event of the same input before it is pressed
// again, and nothing is left down.
void expectBalanced(const std::vector<Json>& events) {
    std::set<std::string> held;
    for (const auto& event : events) {
        const auto input = heldInputOf(event);
        if (!input) {
            continue;
        }
        const auto& [name, down] = *input;
        if (down) {
            EXPECT_TRUE(held.insert(name).second) << name << " pressed while held: " << event;
        } else {
            EXPECT_EQ(held.erase(name), 1U) << name << " released while not held: " << event;
        }
    }
    EXPECT_TRUE(held.empty()) << "still down in the log: " << held.size();
}

void expectSettled(EngineHarness& harness) {
    expectBalanced(programEvents(harness));
    EXPECT_FALSE(harness.engine().input().ledger().isHoldingAnything());
}

TEST(Input, ATripleClickIsOneMoveAndThreeNumberedPairsSixtyMillisecondsApart) {
    EngineHarness harness;
    auto& input = harness.engine().input();
    Input::click(input, Point{300, 200}, "left", 3, openGuard());

    const auto events = programEvents(harness);
    ASSERT_EQ(kinds(events), (std::vector<std::string>{"mouseMoved", "leftMouseDown", "leftMouseUp",
                                                       "leftMouseDown", "leftMouseUp",
                                                       "leftMouseDown", "leftMouseUp"}));
    for (std::size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i]["x"], 300);
        EXPECT_EQ(events[i]["y"], 200);
        if (i > 0) {
            EXPECT_EQ(events[i]["button"], 0);
            EXPECT_EQ(events[i]["clickState"], (i + 1) / 2);
        }
    }
    for (const std::size_t down : {3U, 5U}) {
        EXPECT_GE(events[down]["t"].get<double>() - events[down - 1]["t"].get<double>(), 0.059);
    }
    expectSettled(harness);
}

TEST(Input, ButtonNamesAreExactAndCountsAreLimitedToOneToThree) {
    EngineHarness harness;
    auto& input = harness.engine().input();
    const auto clickKinds = [&](const std::string& button, int count) {
        const auto before = harness.desktop().eventLog().size();
        Input::click(input, Point{50, 60}, button, count, openGuard());
        return kinds(programEvents(harness, before));
    };
    EXPECT_EQ(clickKinds("Right", 1),
              (std::vector<std::string>{"mouseMoved", "leftMouseDown", "leftMouseUp"}));
    EXPECT_EQ(clickKinds("right", 0),
              (std::vector<std::string>{"mouseMoved", "rightMouseDown", "rightMouseUp"}));
    EXPECT_EQ(clickKinds("middle", -4),
              (std::vector<std::string>{"mouseMoved", "otherMouseDown", "otherMouseUp"}));
    EXPECT_EQ(countKind(harness.desktop().eventLog(), "otherMouseDown"), 1);
    const auto before = harness.desktop().eventLog().size();
    Input::click(input, Point{50, 60}, "left", 7, openGuard());
    const auto events = programEvents(harness, before);
    EXPECT_EQ(countKind(events, "leftMouseDown"), 3);
    EXPECT_EQ(events.back()["clickState"], 3);
    for (const auto& event : programEvents(harness)) {
        if (event["kind"] == "rightMouseDown" || event["kind"] == "otherMouseDown") {
            EXPECT_EQ(event["button"], event["kind"] == "rightMouseDown" ? 1 : 2);
        }
    }
    expectSettled(harness);
}

TEST(Input, ADragPressesMovesInTwelveStepsAndLetsGoAtTheEnd) {
    EngineHarness harness;
    Input::drag(harness.engine().input(), Point{100, 100}, Point{220, 100}, openGuard());

    const auto events = programEvents(harness);
    ASSERT_EQ(events.size(), 15U);
    EXPECT_EQ(events[0]["kind"], "mouseMoved");
    EXPECT_EQ(events[1]["kind"], "leftMouseDown");
    for (const std::size_t i : {0U, 1U}) {
        EXPECT_EQ(events[i]["x"], 100);
        EXPECT_EQ(events[i]["y"], 100);
    }
    for (int step = 1; step <= 12; ++step) {
        const Json& dragged = events[static_cast<std::size_t>(step) + 1];
        EXPECT_EQ(dragged["kind"], "leftMouseDragged");
        EXPECT_EQ(dragged["x"], 100 + 10 * step);
        EXPECT_EQ(dragged["y"], 100);
        if (step > 1) {
            const Json& previous = events[static_cast<std::size_t>(step)];
            EXPECT_GE(dragged["t"].get<double>() - previous["t"].get<double>(), 0.0115);
        }
    }
    EXPECT_EQ(events[14]["kind"], "leftMouseUp");
    EXPECT_EQ(events[14]["x"], 220);
    EXPECT_EQ(events[14]["y"], 100);
    expectSettled(harness);
}

TEST(Input, TheLastDragStepLandsExactlyOnTheEnd) {
    EngineHarness harness;
    const Point end{0.7, 1234.567};
    Input::drag(harness.engine().input(), Point{0.1, 0.3}, end, openGuard());
    const auto events = programEvents(harness);
    ASSERT_EQ(events.size(), 15U);
    EXPECT_EQ(events[13]["x"].get<double>(), end.x);
    EXPECT_EQ(events[13]["y"].get<double>(), end.y);
    EXPECT_EQ(events[14]["x"].get<double>(), end.x);
    EXPECT_EQ(events[14]["y"].get<double>(), end.y);
}

TEST(Input, AScrollMovesThereThenSendsOneLimitedWheelEvent) {
    EngineHarness harness;
    auto& input = harness.engine().input();
    Input::scroll(input, Point{400, 300}, 0, -120, openGuard());
    Input::scroll(input, Point{400, 300}, 5000, -9000, openGuard());

    const auto events = programEvents(harness);
    ASSERT_EQ(kinds(events),
              (std::vector<std::string>{"mouseMoved", "scrollWheel", "mouseMoved", "scrollWheel"}));
    EXPECT_EQ(events[0]["x"], 400);
    EXPECT_EQ(events[0]["y"], 300);
    EXPECT_EQ(events[1]["wheel1"], -120);
    EXPECT_EQ(events[1]["wheel2"], 0);
    EXPECT_EQ(events[3]["wheel1"], -2000);
    EXPECT_EQ(events[3]["wheel2"], 2000);
    EXPECT_EQ(harness.desktop().pointerLocation(), (Point{400, 300}));
}

TEST(Input, AKeyCombinationIsOneKeyDownAndOneKeyUpCarryingTheFlags) {
    EngineHarness harness;
    auto& input = harness.engine().input();
    Input::press(input, "c", {"cmd"}, openGuard());
    const auto events = programEvents(harness);
    ASSERT_EQ(kinds(events), (std::vector<std::string>{"keyDown", "keyUp"}));
    for (const auto& event : events) {
        EXPECT_EQ(event["keyCode"], 8);
        EXPECT_EQ(event["flags"], 0x100000);
        EXPECT_FALSE(event.contains("text"));
    }
    expectSettled(harness);
}

TEST(Input, ARefusedCombinationPostsNothingAndAsksNoGuard) {
    EngineHarness harness;
    auto& input = harness.engine().input();
    int checks = 0;
    const auto guard = checking([&](int) { ++checks; });
    const auto pasting = failureOf([&] { Input::press(input, "v", {"cmd"}, guard); });
    ASSERT_TRUE(pasting);
    EXPECT_EQ(pasting->code, "denied_action");
    EXPECT_EQ(pasting->details, (Json{{"scope", "clipboard"}}));
    EXPECT_EQ(failureOf([&] { Input::press(input, "Hyper", {}, guard); }),
              Failure("invalid_request", "Ukjent tast: Hyper."));
    EXPECT_EQ(checks, 0);
    EXPECT_TRUE(programEvents(harness).empty());

    const Failure guardFailure("guard", "Vinduet er ikke lenger foran.", Json{{"reason", "x"}});
    EXPECT_EQ(
        failureOf([&] {
            Input::press(input, "z", {"cmd", "shift"}, checking([&](int) { throw guardFailure; }));
        }),
        guardFailure);
    EXPECT_TRUE(programEvents(harness).empty());
}

TEST(Input, EachTypedCharacterIsOnePairCarryingTheWholeCharacter) {
    EngineHarness harness;
    const std::string family = "\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466";
    const std::string decomposed = "e\u0301";
    Input::type(harness.engine().input(), "\u00E9" + family + decomposed + "\n", openGuard());

    const auto events = programEvents(harness);
    ASSERT_EQ(events.size(), 8U);
    const std::vector<std::string> characters = {"\u00E9", family, decomposed, "\n"};
    for (std::size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i]["kind"], i % 2 == 0 ? "keyDown" : "keyUp");
        EXPECT_EQ(events[i]["keyCode"], 0);
        EXPECT_EQ(events[i]["flags"], 0);
        EXPECT_EQ(events[i]["text"], characters[i / 2]);
    }
    for (std::size_t down = 2; down < events.size(); down += 2) {
        EXPECT_GE(events[down]["t"].get<double>() - events[down - 2]["t"].get<double>(), 0.0055);
    }
    expectSettled(harness);
}

// A desktop without a key for control characters refuses the whole text before anything is
// sent, rather than typing the rest and reporting a success; macOS hands them over as text.
TEST(Input, ControlCharactersAreTypedOnlyWhereTheDesktopCanTypeThem) {
    EngineHarness harness;
    const auto linux = platform::linuxProfile(platform::LockSource::sessionAndScreensaver).keys;
    InputState onLinux(harness.desktop().platform().events, 77, linux);
    const Failure untypeable("input_unavailable",
                             "Teksten har kontrolltegn som ikke kan skrives på dette "
                             "skrivebordet. Ingenting ble sendt.");
    for (const std::string text : {std::string("ab\x1b"), std::string("a\x7f"),
                                   std::string("\u0085x"), std::string("x\0y", 3)}) {
        EXPECT_EQ(failureOf([&] { Input::type(onLinux, text, openGuard()); }), untypeable) << text;
    }
    EXPECT_TRUE(programEvents(harness).empty());

    Input::type(onLinux, "a\tb\r\nc\u00A0\u00E5", openGuard());
    EXPECT_EQ(countKind(programEvents(harness), "keyDown"), 7);

    const std::size_t before = programEvents(harness).size();
    Input::type(harness.engine().input(), "a\x1b", openGuard());
    const auto mac = programEvents(harness, 0);
    ASSERT_EQ(mac.size(), before + 4);
    EXPECT_EQ(mac.back()["text"], "\x1b");
    expectSettled(harness);
}

TEST(Input, TheOwnEventsCarryTheSignatureAndAreNoTakeover) {
    EngineHarness harness;
    auto& input = harness.engine().input();
    harness.listener().setAutomation(true);
    Input::click(input, Point{10, 20}, "left", 1, openGuard());
    Input::scroll(input, Point{10, 20}, 3, 4, openGuard());
    Input::drag(input, Point{10, 20}, Point{40, 50}, openGuard());
    Input::type(input, "ok", openGuard());
    Input::press(input, "return", {}, openGuard());
    harness.desktop().platform().mainLoop.runSync([] {});

    const auto events = programEvents(harness);
    EXPECT_EQ(events.size(), 3U + 2U + 15U + 4U + 2U);
    for (const auto& event : events) {
        EXPECT_EQ(event["userData"], harness.listener().policy().signature) << event;
    }
    const auto status = harness.listener().currentStatus();
    EXPECT_FALSE(status.lastUserInputAt);
    EXPECT_EQ(status.takeovers, 0);
    EXPECT_TRUE(harness.listener().automation());
}

TEST(Input, AStopBetweenClicksKeepsTheFirstAndReportsIt) {
    EngineHarness harness;
    auto& input = harness.engine().input();
    auto& ledger = input.ledger();
    // Checks: in the move, before the first click, before the second click.
    const auto failure = failureOf([&] {
        Input::click(input, Point{70, 80}, "left", 2, checking([&](int call) {
                         if (call == 3) {
                             ledger.stop();
                         }
                     }));
    });
    EXPECT_EQ(failure, stoppedDuring.adding({{"clicks", 1}}));
    EXPECT_EQ(kinds(programEvents(harness)),
              (std::vector<std::string>{"mouseMoved", "leftMouseDown", "leftMouseUp"}));
    expectSettled(harness);

    EXPECT_EQ(failureOf([&] {
                  Input::click(input, Point{70, 80}, "left", 1, openGuard());
              }),
              stoppedBefore);
    ledger.resume();

    // A failing check before the second click is the guard's own failure, with the click done.
    const Failure guardFailure("guard", "Appen er ikke lenger foran.");
    const auto before = harness.desktop().eventLog().size();
    EXPECT_EQ(failureOf([&] {
                  Input::click(input, Point{70, 80}, "left", 3, checking([&](int call) {
                                   if (call == 3) {
                                       throw guardFailure;
                                   }
                               }));
              }),
              guardFailure.adding({{"clicks", 1}}));
    EXPECT_EQ(countKind(programEvents(harness, before), "leftMouseDown"), 1);

    // A cancel refuses the third click.
    const auto cancelled = failureOf([&] {
        Input::click(input, Point{70, 80}, "left", 3, liveFor(3));
    });
    EXPECT_EQ(cancelled, cancelledDuring.adding({{"clicks", 2}}));
    expectSettled(harness);
}

TEST(Input, ACancelWhileTypingReportsTheCharactersSent) {
    EngineHarness harness;
    const std::string text = "abcdefghijklmnopqrst";
    const auto failure =
        failureOf([&] { Input::type(harness.engine().input(), text, liveFor(13)); });
    EXPECT_EQ(failure, cancelledDuring.adding({{"typed", 13}}));

    std::string sent;
    for (const auto& event : programEvents(harness)) {
        if (event["kind"] == "keyDown") {
            sent += event["text"].get<std::string>();
        }
    }
    EXPECT_EQ(sent, text.substr(0, 13));
    expectSettled(harness);
}

TEST(Input, TheTypingGuardIsAskedOnlyBeforeEveryEighthCharacter) {
    EngineHarness harness;
    auto& input = harness.engine().input();
    std::vector<int> sentAtCheck;
    Input::type(input, std::string(20, 'x'), checking([&](int) {
                    sentAtCheck.push_back(countKind(programEvents(harness), "keyDown"));
                }));
    EXPECT_EQ(sentAtCheck, (std::vector<int>{0, 8, 16}));

    const auto before = harness.desktop().eventLog().size();
    const Failure guardFailure("guard", "Fokus er flyttet.", Json{{"reason", "focus"}});
    const auto failure = failureOf([&] {
        Input::type(input, std::string(20, 'y'), checking([&](int call) {
                        if (call == 2) {
                            throw guardFailure;
                        }
                    }));
    });
    EXPECT_EQ(failure, guardFailure.adding({{"typed", 8}}));
    EXPECT_EQ(countKind(programEvents(harness, before), "keyDown"), 8);

    const auto stopped = failureOf([&] {
        Input::type(input, std::string(20, 'z'), checking([&](int call) {
                        if (call == 3) {
                            input.ledger().stop();
                        }
                    }));
    });
    EXPECT_EQ(stopped, stoppedDuring.adding({{"typed", 16}}));
    expectSettled(harness);
}

TEST(Input, TextsOfMoreThanFourThousandCharactersAreRefusedBeforeAnythingIsSent) {
    EngineHarness harness;
    auto& input = harness.engine().input();
    int checks = 0;
    const auto counting = checking([&](int) { ++checks; });
    EXPECT_EQ(failureOf([&] { Input::type(input, std::string(4001, 'a'), counting); }),
              Failure("invalid_request", "Teksten er for lang til å skrives i én handling."));
    EXPECT_EQ(checks, 0);
    EXPECT_TRUE(programEvents(harness).empty());

    // 4000 characters of two scalars each pass the length check and reach the guard.
    std::string decomposed;
    for (int i = 0; i < 4000; ++i) {
        decomposed += "e\u0301";
    }
    const Failure guardFailure("guard", "Stopp.");
    EXPECT_EQ(failureOf([&] {
                  Input::type(input, decomposed, checking([&](int) { throw guardFailure; }));
              }),
              guardFailure.adding({{"typed", 0}}));
    EXPECT_TRUE(programEvents(harness).empty());

    Input::type(input, "", counting);
    EXPECT_EQ(checks, 0);
    EXPECT_TRUE(programEvents(harness).empty());
}

TEST(Input, AStopDuringADragReportsWhereTheButtonWasReleased) {
    EngineHarness harness;
    auto& input = harness.engine().input();
    // Checks: in the move, after the press, then after each step; the seventh follows step 5.
    const auto failure = failureOf([&] {
        Input::drag(input, Point{100, 100}, Point{220, 100}, checking([&](int call) {
                        if (call == 7) {
                            input.ledger().stop();
                        }
                    }));
    });
    EXPECT_EQ(failure, stoppedDuring.adding({{"releasedAt", point(150, 100)}}));
    const auto events = programEvents(harness);
    EXPECT_EQ(countKind(events, "leftMouseDragged"), 5);
    ASSERT_EQ(countKind(events, "leftMouseUp"), 1);
    EXPECT_EQ(events.back()["kind"], "leftMouseUp");
    EXPECT_EQ(events.back()["x"], 150);
    expectSettled(harness);
}

TEST(Input, ADragCutShortLetsGoAtTheLastPointReached) {
    EngineHarness harness;
    auto& input = harness.engine().input();

    // Refused at step 4 (live for the move, the press and three steps).
    auto before = harness.desktop().eventLog().size();
    EXPECT_EQ(failureOf([&] {
                  Input::drag(input, Point{0, 0}, Point{120, 240}, liveFor(5));
              }),
              cancelledDuring.adding({{"releasedAt", point(30, 60)}}));
    auto events = programEvents(harness, before);
    EXPECT_EQ(countKind(events, "leftMouseDragged"), 3);
    EXPECT_EQ(events.back()["kind"], "leftMouseUp");
    EXPECT_EQ(events.back()["x"], 30);
    EXPECT_EQ(events.back()["y"], 60);

    // The guard fails right after the press: released at the start.
    before = harness.desktop().eventLog().size();
    const Failure guardFailure("guard", "Vinduet flyttet seg.", Json{{"reason", "moved"}});
    EXPECT_EQ(failureOf([&] {
                  Input::drag(input, Point{5, 6}, Point{50, 60}, checking([&](int call) {
                                  if (call == 2) {
                                      throw guardFailure;
                                  }
                              }));
              }),
              guardFailure.adding({{"releasedAt", point(5, 6)}}));
    events = programEvents(harness, before);
    EXPECT_EQ(kinds(events),
              (std::vector<std::string>{"mouseMoved", "leftMouseDown", "leftMouseUp"}));

    // A refused press holds nothing and says nothing about a release.
    before = harness.desktop().eventLog().size();
    EXPECT_EQ(failureOf([&] {
                  Input::drag(input, Point{5, 6}, Point{50, 60}, liveFor(1));
              }),
              cancelledDuring);
    EXPECT_EQ(kinds(programEvents(harness, before)), (std::vector<std::string>{"mouseMoved"}));
    expectSettled(harness);
}

TEST(Input, NothingIsPostedOnceControlIsStopped) {
    EngineHarness harness;
    auto& input = harness.engine().input();
    input.ledger().stop();
    const auto guard = openGuard();
    const std::vector<std::function<void()>> actions = {
        [&] {
            Input::move(input, Point{1, 2}, guard);
        },
        [&] {
            Input::click(input, Point{1, 2}, "left", 2, guard);
        },
        [&] {
            Input::scroll(input, Point{1, 2}, 0, 10, guard);
        },
        [&] {
            Input::drag(input, Point{1, 2}, Point{3, 4}, guard);
        },
        [&] { Input::type(input, std::string(4001, 'a'), guard); },
        [&] { Input::press(input, "nokey", {}, guard); },
    };
    for (const auto& action : actions) {
        EXPECT_EQ(failureOf(action), stoppedBefore);
    }
    EXPECT_TRUE(programEvents(harness).empty());
}

// The simulated event system, with event creation failing on demand.
class FaultyEvents final : public platform::EventSystem {
  public:
    explicit FaultyEvents(platform::EventSystem& inner) : inner_(inner) {}

    bool sourceless = false;
    // Asked before each event is made, with its type; true makes the creation fail.
    std::function<bool(std::uint32_t type)> fails = [](std::uint32_t) {
        return false;
    };

    std::optional<platform::EventSourceRef> createSource(std::int32_t stateId) override {
        return sourceless ? std::nullopt : inner_.createSource(stateId);
    }
    void setSourceUserData(platform::EventSourceRef source, std::int64_t userData) override {
        inner_.setSourceUserData(source, userData);
    }
    std::optional<platform::Event> createMouseEvent(std::optional<platform::EventSourceRef> source,
                                                    std::uint32_t type, Point location,
                                                    std::uint32_t button) override {
        if (fails(type)) {
            return std::nullopt;
        }
        return inner_.createMouseEvent(source, type, location, button);
    }
    std::optional<platform::Event>
    createKeyboardEvent(std::optional<platform::EventSourceRef> source, std::uint16_t keyCode,
                        bool keyDown) override {
        if (fails(keyDown ? platform::eventtype::keyDown : platform::eventtype::keyUp)) {
            return std::nullopt;
        }
        return inner_.createKeyboardEvent(source, keyCode, keyDown);
    }
    std::optional<platform::Event>
    createScrollWheelEvent(std::optional<platform::EventSourceRef> source, std::uint32_t units,
                           std::uint32_t wheelCount, std::int32_t wheel1, std::int32_t wheel2,
                           std::int32_t wheel3) override {
        if (fails(platform::eventtype::scrollWheel)) {
            return std::nullopt;
        }
        return inner_.createScrollWheelEvent(source, units, wheelCount, wheel1, wheel2, wheel3);
    }
    void post(const platform::Event& event, std::uint32_t tapLocation) override {
        inner_.post(event, tapLocation);
    }
    bool awaitTapDelivery(std::chrono::milliseconds bound) override {
        return inner_.awaitTapDelivery(bound);
    }
    std::optional<Point> currentPointerLocation() override {
        return inner_.currentPointerLocation();
    }
    std::optional<platform::EventTapRef> createTap(std::uint32_t location, std::uint32_t placement,
                                                   std::uint32_t options, std::uint64_t mask,
                                                   TapCallback callback) override {
        return inner_.createTap(location, placement, options, mask, std::move(callback));
    }
    std::optional<platform::RunLoopSourceRef>
    createRunLoopSource(platform::EventTapRef tap) override {
        return inner_.createRunLoopSource(tap);
    }
    void addSourceToMainRunLoop(platform::RunLoopSourceRef source) override {
        inner_.addSourceToMainRunLoop(source);
    }
    void removeSourceFromMainRunLoop(platform::RunLoopSourceRef source) override {
        inner_.removeSourceFromMainRunLoop(source);
    }
    void enableTap(platform::EventTapRef tap, bool enable) override {
        inner_.enableTap(tap, enable);
    }
    bool isTapEnabled(platform::EventTapRef tap) override { return inner_.isTapEnabled(tap); }
    bool isSecureEventInputEnabled() override { return inner_.isSecureEventInputEnabled(); }

  private:
    platform::EventSystem& inner_;
};

// Fails the first `count` creations of an event of `type`.
std::function<bool(std::uint32_t)> failingFirst(std::uint32_t type, int count) {
    auto seen = std::make_shared<int>(0);
    return [=](std::uint32_t created) {
        return created == type && ++*seen <= count;
    };
}

// Fails the `nth` creation of an event of `type` (1 for the first).
std::function<bool(std::uint32_t)> failingNth(std::uint32_t type, int nth) {
    auto seen = std::make_shared<int>(0);
    return [=](std::uint32_t created) {
        return created == type && ++*seen == nth;
    };
}

TEST(Input, WithoutASignedSourceNothingIsPosted) {
    EngineHarness harness;
    FaultyEvents events(harness.desktop().platform().events);
    events.sourceless = true;
    InputState input(events, harness.listener().policy().signature, KeyPolicy::macOS());
    const Failure unsignedEvents("input_unavailable",
                                 "Kunne ikke lage hendelser som Orvel Rire kan kjenne igjen som "
                                 "sine egne. Ingenting ble sendt.");
    const auto guard = openGuard();
    const std::vector<std::function<void()>> actions = {
        [&] {
            Input::move(input, Point{1, 2}, guard);
        },
        [&] {
            Input::click(input, Point{1, 2}, "left", 1, guard);
        },
        [&] {
            Input::scroll(input, Point{1, 2}, 0, 10, guard);
        },
        [&] {
            Input::drag(input, Point{1, 2}, Point{3, 4}, guard);
        },
        [&] { Input::type(input, "a", guard); },
        [&] { Input::press(input, "a", {}, guard); },
    };
    for (const auto& action : actions) {
        EXPECT_EQ(failureOf(action), unsignedEvents);
    }
    EXPECT_TRUE(programEvents(harness).empty());
    EXPECT_FALSE(input.ledger().isHoldingAnything());
}

TEST(Input, EventsThatCannotBeMadeFailTheActionSayingWhetherAnythingWasSent) {
    EngineHarness harness;
    FaultyEvents events(harness.desktop().platform().events);
    InputState input(events, harness.listener().policy().signature, KeyPolicy::macOS());
    const auto guard = openGuard();
    const auto unavailable = [](const std::string& what, bool sentSome) {
        return Failure("input_unavailable", what + (sentSome ? " Handlingen ble bare delvis utført."
                                                             : " Ingenting ble sendt."));
    };
    const std::string mouse = "Kunne ikke lage musehendelsen.";
    const std::string keystroke = "Kunne ikke lage tastetrykket.";

    events.fails = failingNth(platform::eventtype::keyUp, 3);
    EXPECT_EQ(failureOf([&] { Input::type(input, "abcd", guard); }),
              unavailable(keystroke, true).adding({{"typed", 2}}));
    auto sent = programEvents(harness);
    EXPECT_EQ(countKind(sent, "keyDown"), 2);

    events.fails = failingNth(platform::eventtype::keyUp, 1);
    auto before = harness.desktop().eventLog().size();
    EXPECT_EQ(failureOf([&] { Input::type(input, "abcd", guard); }),
              unavailable(keystroke, false).adding({{"typed", 0}}));
    events.fails = failingNth(platform::eventtype::keyDown, 1);
    EXPECT_EQ(failureOf([&] { Input::press(input, "tab", {}, guard); }),
              unavailable(keystroke, false));
    events.fails = failingNth(platform::eventtype::mouseMoved, 1);
    EXPECT_EQ(failureOf([&] {
                  Input::click(input, Point{9, 9}, "left", 1, guard);
              }),
              unavailable(mouse, false));
    EXPECT_TRUE(programEvents(harness, before).empty());

    events.fails = failingNth(platform::eventtype::leftMouseUp, 2);
    before = harness.desktop().eventLog().size();
    EXPECT_EQ(failureOf([&] {
                  Input::click(input, Point{9, 9}, "left", 3, guard);
              }),
              unavailable(mouse, true).adding({{"clicks", 1}}));
    EXPECT_EQ(countKind(programEvents(harness, before), "leftMouseDown"), 1);

    // The pointer had moved there already.
    events.fails = failingNth(platform::eventtype::scrollWheel, 1);
    EXPECT_EQ(failureOf([&] {
                  Input::scroll(input, Point{9, 9}, 1, 1, guard);
              }),
              unavailable(mouse, true));

    events.fails = failingNth(platform::eventtype::leftMouseDragged, 4);
    before = harness.desktop().eventLog().size();
    EXPECT_EQ(failureOf([&] {
                  Input::drag(input, Point{100, 100}, Point{220, 100}, guard);
              }),
              unavailable(mouse, true).adding({{"releasedAt", point(130, 100)}}));
    sent = programEvents(harness, before);
    EXPECT_EQ(sent.back()["kind"], "leftMouseUp");
    EXPECT_EQ(sent.back()["x"], 130);

    // Without an up event of its own the drag lets go through the ledger's release.
    events.fails = failingNth(platform::eventtype::leftMouseUp, 1);
    before = harness.desktop().eventLog().size();
    EXPECT_FALSE(failureOf([&] { Input::drag(input, Point{1, 1}, Point{2, 2}, guard); }));
    sent = programEvents(harness, before);
    EXPECT_EQ(sent.back()["kind"], "leftMouseUp");
    EXPECT_EQ(sent.back()["x"], 2);
    EXPECT_FALSE(input.ledger().isHoldingAnything());

    // When that fails too the button stays booked, so that a stop still lets go of it.
    events.fails = failingFirst(platform::eventtype::leftMouseUp, 2);
    EXPECT_EQ(failureOf([&] {
                  Input::drag(input, Point{1, 1}, Point{2, 2}, guard);
              }),
              unavailable(mouse, true));
    EXPECT_EQ(input.ledger().snapshot()["buttons"], Json::array({0}));
    input.ledger().stop();

    EXPECT_FALSE(input.ledger().isHoldingAnything());
    expectBalanced(programEvents(harness));
}

// Checks one action's events against its outcome while stops arrive at random moments.
void expectProgressMatchesTheLog(const std::string& action, const std::optional<Failure>& failure,
                                 const std::vector<Json>& events) {
    if (!failure) {
        return;
    }
    EXPECT_EQ(failure->code, "stopped");
    EXPECT_TRUE(failure->message == stoppedBefore.message ||
                failure->message == stoppedDuring.message)
        << failure->message;
    if (action == "click") {
        const int downs = countKind(events, "leftMouseDown");
        EXPECT_EQ(failure->details.value("clicks", 0), downs) << failure->details;
    } else if (action == "type") {
        EXPECT_EQ(failure->details.value("typed", 0), countKind(events, "keyDown"));
    } else if (action == "drag" && failure->details.contains("releasedAt")) {
        Json last = point(100, 100);
        for (const auto& event : events) {
            if (event["kind"] == "leftMouseDragged") {
                last = point(event["x"].get<double>(), event["y"].get<double>());
            }
        }
        EXPECT_EQ(failure->details["releasedAt"], last);
    } else if (action == "drag") {
        EXPECT_EQ(countKind(events, "leftMouseDown"), 0);
    }
}

TEST(Input, AStopFromAnotherThreadEitherRefusesAnEventOrReleasesIt) {
    EngineHarness harness;
    auto& input = harness.engine().input();
    auto& ledger = input.ledger();
    std::atomic<bool> done{false};
    std::thread stopper([&] {
        std::minstd_rand random(20240611);
        while (!done.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 30));
            ledger.stop();
        }
    });
    const auto guard = openGuard();
    const std::vector<std::pair<std::string, std::function<void()>>> actions = {
        {"click",
         [&] {
             Input::click(input, Point{100, 100}, "left", 3, guard);
         }},
        {"drag",
         [&] {
             Input::drag(input, Point{100, 100}, Point{220, 100}, guard);
         }},
        {"type",
         [&] {
             Input::type(input, "abcdefghijkl", guard);
         }},
        {"press",
         [&] {
             Input::press(input, "z", {"cmd"}, guard);
         }},
    };
    int failures = 0;
    for (int round = 0; round < 5; ++round) {
        for (const auto& [name, action] : actions) {
            const auto before = harness.desktop().eventLog().size();
            const auto failure = failureOf(action);
            failures += failure ? 1 : 0;
            expectProgressMatchesTheLog(name, failure, programEvents(harness, before));
            ledger.resume();
        }
    }
    done = true;
    stopper.join();
    EXPECT_GT(failures, 0);
    expectSettled(harness);
}

} // namespace
} // namespace orvel::testing
