// Input on the real X11 desktop, inside the private desktop session, against the project's GTK
// test application:
// - a click on its button and 100 typed characters (Norwegian letters among them, so that spare
//   keycodes are lent): the program's own time (posting through the event system and waiting
//   for the takeover tap to have judged every event) beside the time the desktop takes to show
//   the result (the button's label, the field's text, read over the accessibility bus);
// - the takeover latency through the built program: from a user event entering the X server
//   (a second client's event on the server's real mouse, synchronised) to the `stopped` event
//   read from the program's output, over 50 trials, median and worst.
//
// Run inside scripts/desktop-session (it needs DISPLAY and AT_SPI_BUS_ADDRESS).
#include "OrvelControlCore/Json.hpp"
#include "OrvelControlCore/Keymap.hpp"
#include "linux/support/InputWitness.hpp"
#include "linux/support/PrivateSession.hpp"
#include "linux/support/RunningApp.hpp"
#include "linux/support/RunningDesktop.hpp"
#include "linux/support/TestApplication.hpp"
#include "linux/support/TreeSearch.hpp"
#include "platform/ChildProcess.hpp"
#include "platform/Event.hpp"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace orvel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace eventtype = platform::eventtype;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The Linux desktop with the test application, the tap installed as the program installs it.
struct InputBench {
    std::shared_ptr<linuxdesktop::AtspiAccessibility> service =
        linuxdesktop::AtspiAccessibility::fromEnvironment();
    std::unique_ptr<testing::RunningApp> app;
    std::unique_ptr<testing::RunningDesktop> desktop;
    std::optional<platform::EventSourceRef> source;

    bool open() {
        std::string whyNot;
        auto options = testing::PrivateSession::desktopOptions(whyNot);
        if (!options) {
            return false;
        }
        app = testing::RunningApp::startTestApp(*service, "orvel-test-app.py", "Orvel testvindu");
        std::string error;
        desktop = testing::RunningDesktop::open(*options, service, service, error);
        if (!app || !desktop) {
            return false;
        }
        auto& events = desktop->platform().events;
        source = events.createSource(platform::eventsource::hidSystemState);
        events.setSourceUserData(*source, 0x5eed);
        return desktop->platform().mainLoop.runSync([&events] {
            auto tap = events.createTap(0, 0, 0, ~std::uint64_t{0},
                                        [](std::uint32_t, const platform::Event&) {});
            if (!tap) {
                return false;
            }
            events.addSourceToMainRunLoop(*events.createRunLoopSource(*tap));
            events.enableTap(*tap, true);
            return events.isTapEnabled(*tap);
        });
    }

    platform::EventSystem& events() { return desktop->platform().events; }

    std::optional<testing::FoundElement> find(const std::string& role, const std::string& title) {
        return testing::findElement(testing::walkTree(*service, app->window()), role, title, "");
    }

    Point centreOf(const testing::FoundElement& element) {
        auto position = service->copyAttributeValue(element.element, "AXPosition").value.point;
        auto size = service->copyAttributeValue(element.element, "AXSize").value.size;
        return {position.x + size.width / 2, position.y + size.height / 2};
    }

    void post(const std::optional<platform::Event>& event) {
        events().post(*event, platform::eventtap::hidLocation);
    }

    // Posts a click as the program does and returns the time the program spent on it.
    double click(Point at) {
        const auto start = Clock::now();
        for (auto type :
             {eventtype::mouseMoved, eventtype::leftMouseDown, eventtype::leftMouseUp}) {
            events().awaitTapDelivery(1s);
            post(events().createMouseEvent(source, type, at, 0));
        }
        events().awaitTapDelivery(1s);
        return millisecondsSince(start);
    }

    // Types `text` as the program does, without its pauses; returns the time spent.
    double type(const std::u16string& text) {
        const auto start = Clock::now();
        for (const char16_t unit : text) {
            auto down = events().createKeyboardEvent(source, 0, true);
            auto up = events().createKeyboardEvent(source, 0, false);
            down->keyboardSetUnicodeString(std::u16string(1, unit));
            up->keyboardSetUnicodeString(std::u16string(1, unit));
            events().awaitTapDelivery(1s);
            post(down);
            post(up);
        }
        events().awaitTapDelivery(1s);
        return millisecondsSince(start);
    }
};

void BM_ForegroundClick(benchmark::State& state) {
    InputBench bench;
    if (!bench.open()) {
        state.SkipWithError("needs the private desktop session");
        return;
    }
    auto button = bench.find("AXButton", "Trykk meg");
    const Point at = bench.centreOf(*button);
    int presses = 0;
    double own = 0;
    double shown = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        own += bench.click(at);
        ++presses;
        const std::string label = "Trykket " + std::to_string(presses);
        while (!bench.find("AXStaticText", label) && millisecondsSince(start) < 3000) {
            std::this_thread::sleep_for(1ms);
        }
        shown += millisecondsSince(start);
        // Apart by more than the double-click time, so that each click is a single click.
        std::this_thread::sleep_for(450ms);
    }
    state.counters["program_ms"] = own / presses;
    state.counters["shown_ms"] = shown / presses;
}
BENCHMARK(BM_ForegroundClick)->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_Type100Characters(benchmark::State& state) {
    InputBench bench;
    if (!bench.open()) {
        state.SkipWithError("needs the private desktop session");
        return;
    }
    auto field = bench.find("AXTextField", "Navn");
    std::u16string text;
    while (text.size() < 100) {
        text += u"blåbær og grøt ";
    }
    text.resize(100);
    std::string expected;
    for (const char16_t unit : text) {
        if (unit < 0x80) {
            expected += static_cast<char>(unit);
        } else {
            expected += static_cast<char>(0xC0 | (unit >> 6));
            expected += static_cast<char>(0x80 | (unit & 0x3F));
        }
    }
    double own = 0;
    double shown = 0;
    int rounds = 0;
    for (auto _ : state) {
        bench.click(bench.centreOf(*field));
        std::this_thread::sleep_for(200ms);
        auto selectAll = bench.events().createKeyboardEvent(bench.source, 0, true);
        selectAll->setFlags(Keymap::maskControl);
        bench.post(selectAll);
        bench.post(bench.events().createKeyboardEvent(bench.source, 0, false));
        std::this_thread::sleep_for(200ms);
        const auto start = Clock::now();
        own += bench.type(text);
        while (testing::textOf(*bench.service, field->element, "AXValue") != expected &&
               millisecondsSince(start) < 5000) {
            std::this_thread::sleep_for(1ms);
        }
        shown += millisecondsSince(start);
        ++rounds;
        if (testing::textOf(*bench.service, field->element, "AXValue") != expected) {
            state.SkipWithError(
                ("the field shows " +
                 testing::textOf(*bench.service, field->element, "AXValue").value_or("nothing"))
                    .c_str());
            return;
        }
    }
    state.counters["program_ms"] = own / rounds;
    state.counters["shown_ms"] = shown / rounds;
}
BENCHMARK(BM_Type100Characters)->Iterations(5)->Unit(benchmark::kMillisecond);

// The built program typing a long text in foreground mode while the user moves the mouse.
void BM_TakeoverLatency(benchmark::State& state) {
    std::string whyNot;
    auto options = testing::PrivateSession::desktopOptions(whyNot);
    auto app = options ? testing::TestApplication::start({}, whyNot) : nullptr;
    auto witness = options ? testing::InputWitness::open(options->display) : nullptr;
    if (!app || !witness) {
        state.SkipWithError("needs the private desktop session");
        return;
    }
    auto program = platform::ChildProcess::start(
        ORVEL_BINARY_PATH, {}, {{"ORVEL_DESKTOP", "x11"}, {"ORVEL_SCREEN_LOCK", "none"}});
    int counter = 0;
    auto send = [&](Json request) {
        request["id"] = "b" + std::to_string(++counter);
        program->write(request.dump() + "\n");
        return request["id"].get<std::string>();
    };
    auto answerTo = [&](const std::string& id, std::optional<Clock::time_point>* stoppedAt) {
        auto giveUp = Clock::now() + 30s;
        Json answer;
        while (Clock::now() < giveUp) {
            auto line = program->readLine(1s);
            if (!line) {
                continue;
            }
            auto parsed = Json::parse(*line, nullptr, false);
            if (stoppedAt && parsed.value("event", "") == "stopped" && !*stoppedAt) {
                *stoppedAt = Clock::now();
            }
            if (parsed.value("id", "") == id) {
                answer = parsed;
            }
            // The halt's event can follow the answer of the action it stopped.
            if (answer.is_object() && (!stoppedAt || *stoppedAt)) {
                return answer;
            }
        }
        return answer;
    };
    app->command("focus entry");
    std::string text(400, 'x');
    std::vector<double> latencies;
    std::vector<std::string> missed;
    for (auto _ : state) {
        for (int trial = 0; trial < 50; ++trial) {
            app->command("present");
            app->command("focus entry");
            auto observed = answerTo(
                send({{"op", "observe"}, {"pid", app->pid()}, {"windowId", app->windowId()}}),
                nullptr);
            const auto act = send({{"op", "act"},
                                   {"observationId", observed["result"]["observationId"]},
                                   {"mode", "foreground"},
                                   {"action", {{"type", "key.type"}, {"text", text}}}});
            std::this_thread::sleep_for(150ms);
            const auto entered = Clock::now();
            witness->userMovesPointer(600 + trial % 2, 500);
            std::optional<Clock::time_point> stoppedAt;
            const auto answer = answerTo(act, &stoppedAt);
            if (!stoppedAt) {
                missed.push_back(answer.dump().substr(0, 300));
            } else {
                latencies.push_back(
                    std::chrono::duration<double, std::milli>(*stoppedAt - entered).count());
            }
            answerTo(send({{"op", "resume"}}), nullptr);
        }
    }
    program->closeInput();
    program->waitForExit(5s);
    for (const auto& line : missed) {
        std::fprintf(stderr, "no takeover: %s\n", line.c_str());
    }
    if (latencies.empty()) {
        state.SkipWithError("no takeover was seen");
        return;
    }
    std::sort(latencies.begin(), latencies.end());
    state.counters["trials"] = static_cast<double>(latencies.size());
    state.counters["median_ms"] = latencies[latencies.size() / 2];
    state.counters["worst_ms"] = latencies.back();
}
BENCHMARK(BM_TakeoverLatency)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace orvel
