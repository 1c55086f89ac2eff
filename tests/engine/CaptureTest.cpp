// Window capture on the simulated desktop: sizes within the pixel budget, bounded waits,
// refusals and the Base64 limit.
#include "support/EngineHarness.hpp"

#include "OrvelControlCore/Limits.hpp"

#include <gtest/gtest.h>

namespace orvel::testing {
namespace {

using namespace std::chrono_literals;

std::string captureScenario(Json windowExtra = Json::object(), Json top = Json::object()) {
    Json frame{{"x", 100}, {"y", 80}, {"width", 1000}, {"height", 800}};
    Json window{{"windowId", 101},
                {"pid", 501},
                {"title", "Notes"},
                {"frame", frame},
                {"tree",
                 {{"id", "w"},
                  {"role", "AXWindow"},
                  {"title", "Notes"},
                  {"frame", frame},
                  {"children",
                   {{{"id", "b"},
                     {"role", "AXButton"},
                     {"frame", {{"x", 120}, {"y", 100}, {"width", 80}, {"height", 24}}}}}}}}};
    window.update(windowExtra);
    Json scenario{{"apps", {{{"pid", 501}, {"bundleId", "com.example.notes"}, {"name", "Notes"}}}},
                  {"windows", {window}}};
    scenario.update(top);
    return scenario.dump();
}

Json screenshotRequest(const std::string& id) {
    return Json{
        {"id", id}, {"op", "observe"}, {"pid", 501}, {"windowId", 101}, {"screenshot", true}};
}

Deadline liveDeadline(double seconds) {
    return Deadline(seconds, [] { return true; });
}

TEST(Capture, AScreenshotIsAddedAtTheDisplayScale) {
    EngineHarness harness(captureScenario());
    auto result = harness.request(screenshotRequest("o"))["result"];
    ASSERT_TRUE(result.contains("screenshot")) << result.dump().substr(0, 400);
    EXPECT_EQ(result.size(), 10u);
    auto screenshot = result["screenshot"];
    EXPECT_EQ(screenshot["pixelWidth"], 2000);
    EXPECT_EQ(screenshot["pixelHeight"], 1600);
    EXPECT_EQ(screenshot["scale"], 2.0);
    EXPECT_EQ(screenshot["mimeType"], "image/png");
    EXPECT_EQ(screenshot["observationId"], result["observationId"]);
    EXPECT_EQ(screenshot["windowFrame"],
              (Json{{"x", 100}, {"y", 80}, {"width", 1000}, {"height", 800}}));
    EXPECT_EQ(screenshot["transform"],
              (Json{{"pointsToPixels", 2.0}, {"originX", 100}, {"originY", 80}}));
    auto data = screenshot["data"].get<std::string>();
    EXPECT_EQ(data.substr(0, 8), "iVBORw0K") << "a PNG signature";
    EXPECT_EQ(screenshot["bytes"],
              (data.size() / 4) * 3 - std::count(data.end() - 2, data.end(), '='));

    auto replay = harness.request(screenshotRequest("o"));
    EXPECT_EQ(replay["result"]["screenshot"]["omitted"], true) << "receipts keep no image data";
    EXPECT_FALSE(replay["result"]["screenshot"].contains("data"));
}

TEST(Capture, LargeWindowsAreScaledIntoThePixelBudget) {
    EXPECT_EQ(Capture::targetSize(Rect{{0, 0}, {2000, 1500}}, 2, Limits::imagePixels),
              std::make_pair(2449, 1837));
    EXPECT_EQ(Capture::targetSize(Rect{{0, 0}, {1000, 800}}, 2, Limits::imagePixels),
              std::make_pair(2000, 1600));
    auto sliver = Capture::targetSize(Rect{{0, 0}, {1, 1e12}}, 2, Limits::imagePixels);
    EXPECT_LE(static_cast<long long>(sliver.first) * sliver.second, Limits::imagePixels)
        << "a degenerate frame never passes the budget";

    EngineHarness harness(
        captureScenario({{"frame", {{"x", 0}, {"y", 0}, {"width", 2000}, {"height", 1500}}}}));
    auto result = harness.engine().capture().window(101, liveDeadline(12), Limits::imagePixels);
    EXPECT_EQ(result.pixelWidth, 2449);
    EXPECT_EQ(result.pixelHeight, 1837);
    EXPECT_NEAR(result.scale, 2449.0 / 2000.0, 1e-12);
}

TEST(Capture, AWindowOnNoDisplayIsScaledAsTwo) {
    EngineHarness harness(captureScenario(
        {{"frame", {{"x", 5000}, {"y", 5000}, {"width", 100}, {"height", 50}}}},
        {{"displays",
          {{{"frame", {{"x", 0}, {"y", 0}, {"width", 1512}, {"height", 982}}}, {"scale", 1.0}}}}}));
    auto result = harness.engine().capture().window(101, liveDeadline(12), Limits::imagePixels);
    EXPECT_EQ(result.pixelWidth, 200);
    EXPECT_EQ(result.pixelHeight, 100);
}

TEST(Capture, ACaptureThatNeverCompletesEndsAfterTheBoundedWait) {
    EngineHarness harness(captureScenario({{"captureLatency", 1000000}}));
    auto started = std::chrono::steady_clock::now();
    try {
        harness.engine().capture().window(101, liveDeadline(0.2), Limits::imagePixels);
        FAIL();
    } catch (const Failure& failure) {
        EXPECT_EQ(failure, Failure("timeout", "Skjermbildet ble ikke ferdig i tide."));
    }
    auto elapsed = std::chrono::steady_clock::now() - started;
    EXPECT_GE(elapsed, 950ms) << "a deadline almost passed still waits a second";
    EXPECT_LT(elapsed, 3s);
}

TEST(Capture, RefusalsCarryTheirReasons) {
    auto failureOf = [](const std::string& scenario) {
        EngineHarness harness(scenario);
        try {
            harness.engine().capture().window(101, liveDeadline(12), Limits::imagePixels);
        } catch (const Failure& failure) {
            return failure;
        }
        return Failure("none", "");
    };
    EXPECT_EQ(failureOf(captureScenario({{"captureError", "Ingen tilgang"}})),
              Failure("capture_unavailable", "Kunne ikke ta bilde av vinduet: Ingen tilgang"));
    EXPECT_EQ(failureOf(captureScenario({{"shareable", false}})),
              Failure("target_missing", "Vinduet finnes ikke lenger, eller kan ikke tas opp."));
    EXPECT_EQ(
        failureOf(captureScenario(Json::object(), {{"permissions", {{"screenRecording", false}}}})),
        Failure("permission_denied",
                "Skjermopptak er ikke gitt til Orvel Rire. Åpne Personvern og sikkerhet i macOS.",
                {{"permission", "screenRecording"}}));
    EXPECT_EQ(failureOf(captureScenario(Json::object(),
                                        {{"session", {{"kCGSSessionOnConsoleKey", false}}}}))
                  .code,
              "screen_locked");
    EXPECT_EQ(failureOf(captureScenario(
                  {{"frame", {{"x", 0}, {"y", 0}, {"width", 0.5}, {"height", 100}}}})),
              Failure("target_missing", "Vinduet har ingen synlig flate å ta bilde av."));
}

TEST(Capture, AFailedScreenshotStillLeavesTheNewObservationCurrent) {
    EngineHarness harness(captureScenario({{"captureError", "Ingen tilgang"}}));
    auto response = harness.request(screenshotRequest("o"));
    EXPECT_EQ(response["error"]["code"], "capture_unavailable");
    auto health = harness.request({{"id", "h"}, {"op", "health"}})["result"];
    ASSERT_TRUE(health["observation"].is_string());
    EXPECT_EQ(health["observation"].get<std::string>().rfind("obs-1-", 0), 0u);
}

TEST(Capture, TheBase64LimitIsInclusive) {
    CaptureResult result;
    result.pixelWidth = 1;
    result.pixelHeight = 1;
    result.windowFrame = Rect{{10.5, -0.5}, {100, 100}};
    result.scale = 2;
    result.png.assign(Limits::imageBytes / 4 * 3, 0x42);
    auto payload = Capture::payload(result, "obs-1-1");
    EXPECT_EQ(payload["data"].get<std::string>().size(),
              static_cast<std::size_t>(Limits::imageBytes));
    EXPECT_EQ(payload["transform"],
              (Json{{"pointsToPixels", 2.0}, {"originX", 11}, {"originY", -1}}));
    EXPECT_EQ(payload.size(), 10u);

    result.png.push_back(0x42);
    try {
        Capture::payload(result, "obs-1-1");
        FAIL();
    } catch (const Failure& failure) {
        EXPECT_EQ(failure, Failure("too_large", "Skjermbildet er for stort til å sendes direkte.",
                                   {{"bytes", Limits::imageBytes + 4}}));
    }
}

} // namespace
} // namespace orvel::testing
