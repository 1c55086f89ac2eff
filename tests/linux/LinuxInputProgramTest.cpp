// The built program acting on the project's GTK test application with the keyboard in
// foreground mode on the Linux desktop (ORVEL_DESKTOP=x11): typed text of any character reads
// back exactly, Command+A (Control on Linux) then typing replaces the text, and the user taking
// over in the middle of typing halts the program with "user_input", leaves the action partial,
// lets no further key of it reach the server and leaves nothing held and the keymap as it was,
// all witnessed by the X server and the application's accessibility tree.
#include "linux/support/InputWitness.hpp"
#include "linux/support/PrivateSession.hpp"
#include "linux/support/ProgramClient.hpp"
#include "linux/support/TestApplication.hpp"

#include "OrvelControlCore/Json.hpp"
#include "platform/ChildProcess.hpp"

#include <X11/extensions/XI2.h>
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <future>

namespace orvel::testing {
namespace {

using namespace std::chrono_literals;

const Json* inputElementLabelled(const Json& observation, const std::string& role,
                                 const std::string& label) {
    for (const auto& element : observation["elements"]) {
        if (element.value("role", "") == role && element.value("label", "") == label) {
            return &element;
        }
    }
    return nullptr;
}

class LinuxInputProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string whyNot;
        auto options = PrivateSession::desktopOptions(whyNot);
        if (!options || !PrivateSession::hasWindowManager()) {
            GTEST_SKIP() << "needs the private desktop session with its window manager";
        }
        app = TestApplication::start({}, whyNot);
        ASSERT_NE(app, nullptr) << whyNot;
        witness = InputWitness::open(options->display);
        ASSERT_NE(witness, nullptr);
        // The private session's X server has no locker of its own.
        program = std::make_unique<ProgramClient>(
            ORVEL_BINARY_PATH, std::map<std::string, std::string>{{"ORVEL_SCREEN_LOCK", "none"}});
        ASSERT_TRUE(*program);
        ASSERT_TRUE(app->command("present"));
        ASSERT_TRUE(app->command("focus entry"));
    }

    void TearDown() override {
        if (!witness) {
            return;
        }
        program.reset();
        EXPECT_EQ(witness->keysDown(), std::vector<unsigned int>{}) << "a key stayed down";
        EXPECT_EQ(witness->buttonsDown(), 0U) << "a button stayed down";
        EXPECT_TRUE(waitUntil([&] { return witness->remappedSpareKeycodes().empty(); }))
            << "a lent keycode was not given back";
    }

    Json observe() {
        auto answer = program->request(
            {{"op", "observe"}, {"pid", app->pid()}, {"windowId", app->windowId()}});
        EXPECT_EQ(answer["ok"], true) << answer.dump();
        return answer["result"];
    }

    Json act(Json action) {
        const auto observation = observe();
        return program->request({{"op", "act"},
                                 {"observationId", observation["observationId"]},
                                 {"mode", "foreground"},
                                 {"action", std::move(action)}},
                                60s);
    }

    std::string nameField() {
        const auto observation = observe();
        const auto* field = inputElementLabelled(observation, "AXTextField", "Navn");
        return field ? field->value("value", "") : "<no field>";
    }

    std::unique_ptr<TestApplication> app;
    std::unique_ptr<InputWitness> witness;
    std::unique_ptr<ProgramClient> program;
};

TEST_F(LinuxInputProgram, AClickOnARealButtonChangesTheNextObservation) {
    const auto observation = observe();
    const auto* button = inputElementLabelled(observation, "AXButton", "Trykk meg");
    ASSERT_NE(button, nullptr) << observation.dump();
    const auto& frame = (*button)["frame"];
    auto answer =
        program->request({{"op", "act"},
                          {"observationId", observation["observationId"]},
                          {"mode", "foreground"},
                          {"action",
                           {{"type", "pointer.click"},
                            {"x", frame["x"].get<double>() + frame["width"].get<double>() / 2},
                            {"y", frame["y"].get<double>() + frame["height"].get<double>() / 2},
                            {"expectElementId", (*button)["id"]}}}});
    ASSERT_EQ(answer["ok"], true) << answer.dump();
    EXPECT_EQ(answer["result"]["changed"], true) << answer.dump();
    EXPECT_TRUE(waitUntil(
        [&] { return inputElementLabelled(observe(), "AXStaticText", "Trykket 1") != nullptr; }));
}

TEST_F(LinuxInputProgram, TypedTextReadsBackExactly) {
    const std::string text = "Melk, egg, brød — 3 stk æøå €";
    auto answer = act({{"type", "key.type"}, {"text", text}});
    ASSERT_EQ(answer["ok"], true) << answer.dump();
    EXPECT_EQ(answer["result"]["changed"], true);
    EXPECT_TRUE(waitUntil([&] { return nameField() == text; })) << nameField();
}

TEST_F(LinuxInputProgram, CommandAThenTypingReplacesTheText) {
    ASSERT_EQ(act({{"type", "key.type"}, {"text", "gammel tekst"}})["ok"], true);
    ASSERT_TRUE(waitUntil([&] { return nameField() == "gammel tekst"; })) << nameField();
    auto selected = act({{"type", "key.press"}, {"key", "a"}, {"modifiers", {"cmd"}}});
    ASSERT_EQ(selected["ok"], true) << selected.dump();
    ASSERT_EQ(act({{"type", "key.type"}, {"text", "ny"}})["ok"], true);
    EXPECT_TRUE(waitUntil([&] { return nameField() == "ny"; })) << nameField();
}

TEST_F(LinuxInputProgram, TheUserTakingOverMidTypingHaltsTheProgram) {
    std::string text;
    for (int i = 0; i < 60; ++i) {
        text += "ørret ";
    }
    const auto observation = observe();
    auto typing = std::async(std::launch::async, [&] {
        return program->request({{"op", "act"},
                                 {"observationId", observation["observationId"]},
                                 {"mode", "foreground"},
                                 {"action", {{"type", "key.type"}, {"text", text}}}},
                                60s);
    });
    ASSERT_TRUE(waitUntil([&] { return !witness->remappedSpareKeycodes().empty(); }))
        << "typing never began";
    std::this_thread::sleep_for(100ms);
    ASSERT_TRUE(witness->userMovesPointer(700, 500));
    const auto answer = typing.get();
    witness->startRecording();
    ASSERT_EQ(answer["ok"], false) << answer.dump();
    EXPECT_EQ(answer["error"]["code"], "stopped") << answer.dump();
    EXPECT_EQ(answer["error"]["details"]["partial"], true) << answer.dump();
    const int typed = answer["error"]["details"].value("typed", -1);
    EXPECT_GT(typed, 0);
    EXPECT_LT(typed, static_cast<int>(text.size()));

    const auto stopped = program->awaitEvent("stopped");
    ASSERT_TRUE(stopped.is_object()) << "no stopped event";
    EXPECT_EQ(stopped["reason"], "user_input") << stopped.dump();

    const auto after = witness->recorded(300ms);
    EXPECT_TRUE(std::none_of(after.begin(), after.end(), [](const auto& e) {
        return e.type == XI_RawKeyPress;
    })) << "a key of the halted action reached the server";
    EXPECT_EQ(witness->keysDown(), std::vector<unsigned int>{});
    EXPECT_TRUE(waitUntil([&] { return witness->remappedSpareKeycodes().empty(); }))
        << "the keymap was not restored after the halt";
}

TEST_F(LinuxInputProgram, TheKeymapIsRestoredBeforeTheProgramEnds) {
    ASSERT_EQ(act({{"type", "key.type"}, {"text", "åpen dør"}})["ok"], true);
    ASSERT_FALSE(witness->remappedSpareKeycodes().empty()) << "å and ø have no key of their own";
    ASSERT_TRUE(program->end());
    // Nobody is left to give the keycodes back once the program is gone.
    EXPECT_EQ(witness->remappedSpareKeycodes(), std::vector<unsigned int>{});
}

} // namespace
} // namespace orvel::testing
