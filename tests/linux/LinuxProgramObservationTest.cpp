// The built program observing and operating real applications through accessibility on the
// Linux desktop (ORVEL_DESKTOP=x11): the project's GTK test application and
// gtk3-widget-factory. What the program says is checked against the applications themselves:
// the pixels they drew, the text they hold, their answers to the next observation.
#include "linux/support/PngImage.hpp"
#include "linux/support/PrivateSession.hpp"
#include "linux/support/ProgramClient.hpp"
#include "linux/support/TestApplication.hpp"

#include "OrvelControlCore/Json.hpp"
#include "platform/ChildProcess.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

namespace orvel::testing {
namespace {

using namespace std::chrono_literals;

const Json* elementWith(const Json& observation, const std::string& role,
                        const std::string& label) {
    for (const auto& element : observation["elements"]) {
        if (element.value("role", "") == role && element.value("label", "") == label) {
            return &element;
        }
    }
    return nullptr;
}

std::size_t countOfRole(const Json& observation, const std::string& role) {
    std::size_t count = 0;
    for (const auto& element : observation["elements"]) {
        count += element.value("role", "") == role;
    }
    return count;
}

class LinuxProgramObservation : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::string whyNot;
        if (!PrivateSession::desktopOptions(whyNot) || !PrivateSession::hasWindowManager()) {
            return;
        }
        testApp_ = TestApplication::start({}, whyNot);
        widgetFactory_ = platform::ChildProcess::start("/usr/bin/gtk3-widget-factory", {});
    }

    static void TearDownTestSuite() {
        if (widgetFactory_) {
            widgetFactory_->terminate();
            widgetFactory_->waitForExit(3s);
            widgetFactory_.reset();
        }
        testApp_.reset();
    }

    void SetUp() override {
        std::string whyNot;
        if (!PrivateSession::desktopOptions(whyNot) || !PrivateSession::hasWindowManager()) {
            GTEST_SKIP() << "needs the private desktop session with its window manager";
        }
        ASSERT_TRUE(testApp_ && widgetFactory_) << "the applications did not start: " << whyNot;
    }

    void TearDown() override { PrivateSession::callLockDouble("SetLocked", {"boolean:false"}); }

    Json observe(ProgramClient& program, bool screenshot = false) {
        return program.request({{"op", "observe"},
                                {"pid", testApp_->pid()},
                                {"windowId", testApp_->windowId()},
                                {"screenshot", screenshot}});
    }

    // The first window of `pid` once the program lists one (the app may still be starting).
    Json firstWindowOf(ProgramClient& program, std::int32_t pid) {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < deadline) {
            auto answer = program.request({{"op", "windows.list"}, {"pid", pid}});
            if (answer["ok"] == true && !answer["result"]["windows"].empty()) {
                return answer["result"]["windows"][0];
            }
            std::this_thread::sleep_for(200ms);
        }
        return Json();
    }

    Json act(ProgramClient& program, const Json& observation, Json action) {
        return program.request({{"op", "act"},
                                {"observationId", observation["observationId"]},
                                {"mode", "background"},
                                {"action", std::move(action)}});
    }

    static std::unique_ptr<TestApplication> testApp_;
    static std::unique_ptr<platform::ChildProcess> widgetFactory_;
};

std::unique_ptr<TestApplication> LinuxProgramObservation::testApp_;
std::unique_ptr<platform::ChildProcess> LinuxProgramObservation::widgetFactory_;

TEST_F(LinuxProgramObservation, ObservesTheControlsAndAScreenshotOfTheWindowAsItIsDrawn) {
    ProgramClient program(ORVEL_BINARY_PATH);
    ASSERT_TRUE(program);
    auto answer = observe(program, true);
    ASSERT_EQ(answer["ok"], true) << answer.dump();
    const auto& observation = answer["result"];

    const auto* button = elementWith(observation, "AXButton", "Trykk meg");
    ASSERT_NE(button, nullptr) << observation.dump();
    EXPECT_EQ((*button)["actions"], Json::array({"AXPress"}));
    EXPECT_NE(elementWith(observation, "AXCheckBox", "Avkrysning"), nullptr);
    const auto* entry = elementWith(observation, "AXTextField", "Navn");
    ASSERT_NE(entry, nullptr);
    EXPECT_NE((*entry)["settable"].dump().find("AXValue"), std::string::npos);

    // The password field is marked and its text is nowhere in the answer.
    const auto* password = elementWith(observation, "AXTextField", "Passord");
    ASSERT_NE(password, nullptr);
    EXPECT_EQ((*password)["secure"], true);
    EXPECT_EQ((*password)["subrole"], "AXSecureTextField");
    EXPECT_FALSE(password->contains("value"));
    EXPECT_EQ(answer.dump().find("hemmelig"), std::string::npos);

    // The screenshot is the window: its size, and the app's colour patch where the app drew it.
    const auto& screenshot = observation["screenshot"];
    ASSERT_EQ(screenshot["mimeType"], "image/png") << screenshot.dump();
    auto image = PngImage::fromBase64(screenshot["data"].get<std::string>());
    ASSERT_TRUE(image) << "the screenshot is not a PNG";
    const auto& frame = testApp_->frame();
    EXPECT_EQ(image->width, static_cast<int>(frame.size.width));
    EXPECT_EQ(image->height, static_cast<int>(frame.size.height));
    const auto& patch = testApp_->patch();
    const Rect middle{{patch.origin.x - frame.origin.x + 10, patch.origin.y - frame.origin.y + 10},
                      {patch.size.width - 20, patch.size.height - 20}};
    const auto colour = colourOf(testApp_->options().patch);
    EXPECT_GT(image->shareInColour(middle, colour), 0.95);
    const Rect beside{{middle.origin.x + patch.size.width + 40, middle.origin.y}, middle.size};
    EXPECT_LT(image->shareInColour(beside, colour), 0.1);
}

TEST_F(LinuxProgramObservation, PressAndValueChangesShowInTheNextObservationAndItsDigest) {
    ProgramClient program(ORVEL_BINARY_PATH);
    ASSERT_TRUE(program);
    auto earlier = observe(program)["result"];
    auto first = observe(program)["result"];
    ASSERT_TRUE(first.contains("digest")) << first.dump();
    EXPECT_EQ(first["digest"], earlier["digest"]) << "nothing changed, so the digest stays";
    // Only the latest observation can be acted on.
    const auto* button = elementWith(first, "AXButton", "Trykk meg");
    ASSERT_TRUE(elementWith(first, "AXStaticText", "Ikke trykket") && button) << first.dump();

    auto pressed = act(program, first, {{"type", "ax.press"}, {"elementId", (*button)["id"]}});
    ASSERT_EQ(pressed["ok"], true) << pressed.dump();
    EXPECT_EQ(pressed["result"]["changed"], true);
    EXPECT_EQ(pressed["result"]["verified"], true);
    auto afterPress = pressed["result"]["observation"];
    EXPECT_NE(afterPress["digest"], first["digest"]);
    EXPECT_EQ(elementWith(afterPress, "AXStaticText", "Ikke trykket"), nullptr);
    EXPECT_NE(afterPress.dump().find("\"Trykket "), std::string::npos) << afterPress.dump();

    const auto* entry = elementWith(afterPress, "AXTextField", "Navn");
    ASSERT_NE(entry, nullptr);
    auto set = act(program, afterPress,
                   {{"type", "ax.setValue"}, {"elementId", (*entry)["id"]}, {"value", "Ærlig Ås"}});
    ASSERT_EQ(set["ok"], true) << set.dump();
    EXPECT_EQ(set["result"]["changed"], true);
    // A fresh observation reads the entry's text from the application itself.
    auto again = observe(program)["result"];
    const auto* written = elementWith(again, "AXTextField", "Navn");
    ASSERT_NE(written, nullptr);
    EXPECT_EQ((*written)["value"], "Ærlig Ås");
    EXPECT_NE(again["digest"], afterPress["digest"]);

    // The password field is never written, and its text stays its own.
    const auto* password = elementWith(again, "AXTextField", "Passord");
    ASSERT_NE(password, nullptr);
    auto refused = act(program, again,
                       {{"type", "ax.setValue"}, {"elementId", (*password)["id"]}, {"value", "x"}});
    EXPECT_EQ(refused["ok"], false);
    EXPECT_EQ(refused["error"]["code"], "denied_target");
}

TEST_F(LinuxProgramObservation, ObservesAnApplicationWrittenByOthers) {
    ProgramClient program(ORVEL_BINARY_PATH);
    ASSERT_TRUE(program);
    const auto window = firstWindowOf(program, widgetFactory_->pid());
    ASSERT_FALSE(window.is_null()) << "gtk3-widget-factory showed no window";
    auto answer = program.request({{"op", "observe"},
                                   {"pid", widgetFactory_->pid()},
                                   {"windowId", window["windowId"]},
                                   {"maxNodes", 400}});
    ASSERT_EQ(answer["ok"], true) << answer.dump();
    const auto& observation = answer["result"];
    EXPECT_EQ(observation["window"]["windowId"], window["windowId"]);
    EXPECT_GE(countOfRole(observation, "AXButton"), 3U);
    EXPECT_GE(countOfRole(observation, "AXCheckBox"), 2U);
    EXPECT_GE(countOfRole(observation, "AXTextField"), 1U);
    for (const auto& element : observation["elements"]) {
        EXPECT_TRUE(element["role"].is_string() && element["id"].is_string()) << element.dump();
    }
}

TEST_F(LinuxProgramObservation, AStoppedApplicationIsRefusedWithinTheTimeLimits) {
    ProgramClient program(ORVEL_BINARY_PATH);
    ASSERT_TRUE(program);
    auto before = observe(program);
    ASSERT_EQ(before["ok"], true) << before.dump();
    ASSERT_EQ(::kill(testApp_->pid(), SIGSTOP), 0);
    const auto started = std::chrono::steady_clock::now();
    auto stalled = observe(program);
    const auto took = std::chrono::steady_clock::now() - started;
    ::kill(testApp_->pid(), SIGCONT);
    EXPECT_EQ(stalled["ok"], false) << stalled.dump();
    // The app's windows cannot be read (target_missing) or its tree not walked in time.
    const auto code = stalled["error"].value("code", "");
    EXPECT_TRUE(code == "target_missing" || code == "timeout") << stalled.dump();
    EXPECT_LT(took, 12s) << "an observation is bounded however long the app stays stopped";
    // Continued, the app answers again.
    auto after = observe(program);
    EXPECT_EQ(after["ok"], true) << after.dump();
}

TEST_F(LinuxProgramObservation, ALockedSessionRefusesActionsAndSaysSoInObservations) {
    ProgramClient program(ORVEL_BINARY_PATH);
    ASSERT_TRUE(program);
    auto observation = observe(program)["result"];
    const auto* button = elementWith(observation, "AXButton", "Trykk meg");
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(PrivateSession::callLockDouble("SetLocked", {"boolean:true"}));
    auto pressed =
        act(program, observation, {{"type", "ax.press"}, {"elementId", (*button)["id"]}});
    EXPECT_EQ(pressed["ok"], false);
    EXPECT_EQ(pressed["error"]["code"], "screen_locked") << pressed.dump();
    EXPECT_EQ(pressed["error"]["details"]["reason"], "screen_locked");
    auto observed = observe(program);
    EXPECT_EQ(observed["result"]["screenLocked"], true) << observed.dump();
    ASSERT_TRUE(PrivateSession::callLockDouble("SetLocked", {"boolean:false"}));
    observation = observe(program)["result"];
    EXPECT_EQ(observation["screenLocked"], false);
    button = elementWith(observation, "AXButton", "Trykk meg");
    ASSERT_NE(button, nullptr);
    auto unlocked =
        act(program, observation, {{"type", "ax.press"}, {"elementId", (*button)["id"]}});
    EXPECT_EQ(unlocked["ok"], true) << unlocked.dump();
}

} // namespace
} // namespace orvel::testing
