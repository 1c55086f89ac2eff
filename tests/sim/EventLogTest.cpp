// The event log: one line per event with only the keys of its kind, the same objects in memory
// and in the file, appended to what the file held.
#include "SimTestSupport.hpp"

#include "platform/EventSystem.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace orvel::sim::testing {
namespace {

namespace type = platform::eventtype;

std::set<std::string> keysOf(const Json& entry) {
    std::set<std::string> keys;
    for (const auto& [key, value] : entry.items()) {
        keys.insert(key);
    }
    return keys;
}

std::vector<Json> fileLines(const std::string& path) {
    std::ifstream file(path);
    std::vector<Json> lines;
    std::string line;
    while (std::getline(file, line)) {
        lines.push_back(Json::parse(line));
    }
    return lines;
}

class EventLogFile : public ::testing::Test {
  protected:
    std::string path =
        (std::filesystem::temp_directory_path() /
         ("orvel-sim-events-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + ".jsonl"))
            .string();
    ~EventLogFile() override { std::filesystem::remove(path); }
};

TEST_F(EventLogFile, EachEventIsOneLineWithTheKeysOfItsKind) {
    {
        std::ofstream earlier(path);
        earlier << R"({"kind":"from an earlier run"})" << '\n';
    }
    auto desktop = loadDesktop(R"({"pointer": {"x": 7, "y": 8}})", DesktopOptions{path});
    auto& events = desktop->platform().events;
    auto source = events.createSource(platform::eventsource::hidSystemState);
    events.setSourceUserData(*source, 1234);

    auto down = *events.createMouseEvent(source, type::leftMouseDown, Point{10.5, 20}, 0);
    down.setIntegerValueField(platform::eventfield::mouseEventClickState, 2);
    events.post(down, 0);
    events.post(*events.createMouseEvent(source, type::mouseMoved, Point{11, 21}, 0), 0);
    events.post(*events.createMouseEvent(source, type::leftMouseDragged, Point{12, 22}, 0), 0);
    events.post(*events.createScrollWheelEvent(source, 0, 2, -120, 5, 0), 0);
    auto key = *events.createKeyboardEvent(source, 0, true);
    key.keyboardSetUnicodeString(u"é");
    events.post(key, 0);
    auto combination = *events.createKeyboardEvent(source, 8, false);
    combination.setFlags(0x100000);
    events.post(combination, 0);
    desktop->apply({{"userInput", "rightMouseUp"}});
    desktop->platform().workspace.openURL("https://example.com/å");

    const auto log = desktop->eventLog();
    ASSERT_EQ(log.size(), 8u);
    using Keys = std::set<std::string>;
    EXPECT_EQ(keysOf(log[0]),
              (Keys{"t", "source", "kind", "x", "y", "button", "clickState", "userData"}));
    EXPECT_EQ(log[0]["kind"], "leftMouseDown");
    EXPECT_EQ(log[0]["source"], "program");
    EXPECT_EQ(log[0]["x"], 10.5);
    EXPECT_EQ(log[0]["clickState"], 2);
    EXPECT_EQ(log[0]["userData"], 1234);
    EXPECT_EQ(keysOf(log[1]), (Keys{"t", "source", "kind", "x", "y", "userData"}));
    EXPECT_EQ(keysOf(log[2]), (Keys{"t", "source", "kind", "x", "y", "button", "userData"}));
    EXPECT_EQ(keysOf(log[3]),
              (Keys{"t", "source", "kind", "x", "y", "wheel1", "wheel2", "userData"}));
    EXPECT_EQ(log[3]["wheel1"], -120);
    EXPECT_EQ(log[3]["wheel2"], 5);
    EXPECT_EQ(keysOf(log[4]),
              (Keys{"t", "source", "kind", "keyCode", "flags", "text", "userData"}));
    EXPECT_EQ(log[4]["text"], "é");
    EXPECT_EQ(keysOf(log[5]), (Keys{"t", "source", "kind", "keyCode", "flags", "userData"}));
    EXPECT_EQ(log[5]["flags"], 0x100000);
    EXPECT_EQ(log[5]["kind"], "keyUp");
    EXPECT_EQ(log[6]["source"], "user");
    EXPECT_EQ(log[6]["userData"], 0);
    EXPECT_EQ(log[6]["button"], 1);
    EXPECT_EQ(log[6]["x"], 12.0);
    EXPECT_EQ(keysOf(log[7]), (Keys{"t", "source", "kind", "text"}));
    for (std::size_t index = 1; index < log.size(); ++index) {
        EXPECT_GE(log[index]["t"].get<double>(), log[index - 1]["t"].get<double>());
    }

    auto lines = fileLines(path);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0]["kind"], "from an earlier run");
    EXPECT_EQ(std::vector<Json>(lines.begin() + 1, lines.end()), log);
}

TEST(EventLog, ALogThatCannotBeOpenedRefusesTheDesktop) {
    std::string error;
    EXPECT_FALSE(
        SimulatedDesktop::load("{}", error, DesktopOptions{"/nonexistent/dir/events.jsonl"}));
    EXPECT_EQ(error,
              "cannot open the event log /nonexistent/dir/events.jsonl: No such file or directory");
}

platform::Event eventOfType(std::uint32_t eventType) {
    platform::Event event;
    event.type = eventType;
    return event;
}

platform::Event keyEvent(std::uint32_t eventType, std::uint16_t code) {
    auto event = eventOfType(eventType);
    event.keyCode = code;
    return event;
}

// A desktop that runs for days keeps only the newest entries in memory; the file has them all.
TEST(EventLog, MemoryKeepsOnlyTheNewestEntries) {
    EventLog log(std::chrono::steady_clock::now(), nullptr);
    const std::size_t total = EventLog::memoryLimit + 10;
    for (std::size_t i = 0; i < total; ++i) {
        log.recordOpenedURL("https://example.com/" + std::to_string(i));
    }
    ASSERT_EQ(log.entries().size(), EventLog::memoryLimit);
    EXPECT_EQ(log.entries().front()["text"], "https://example.com/10");
    EXPECT_EQ(log.entries().back()["text"], "https://example.com/" + std::to_string(total - 1));
}

// Only the program's own downs and ups count: the user's are not the program's to let go.
TEST(EventLog, FollowsWhatTheProgramLeavesPressed) {
    EventLog log(std::chrono::steady_clock::now(), nullptr);
    log.recordEvent(keyEvent(type::keyDown, 0), EventOrigin::program);
    log.recordEvent(keyEvent(type::keyDown, 56), EventOrigin::program);
    log.recordEvent(eventOfType(type::leftMouseDown), EventOrigin::program);
    log.recordEvent(keyEvent(type::keyDown, 9), EventOrigin::user);
    EXPECT_EQ(log.pressedByProgram(), (PressedInput{{0, 56}, {0}}));

    log.recordEvent(keyEvent(type::keyUp, 0), EventOrigin::program);
    log.recordEvent(eventOfType(type::leftMouseUp), EventOrigin::program);
    log.recordEvent(keyEvent(type::keyUp, 56), EventOrigin::user);
    EXPECT_EQ(log.pressedByProgram(), (PressedInput{{56}, {}}));

    log.recordEvent(keyEvent(type::keyUp, 56), EventOrigin::program);
    EXPECT_TRUE(log.pressedByProgram().empty());
}

} // namespace
} // namespace orvel::sim::testing
