// Screen capture: shareable windows, displays, window captures painted at the requested size
// with their delays and failures, a capture that never completes, and PNG encoding.
#include "SimTestSupport.hpp"

#include "platform/ScreenCapture.hpp"
#include "platform/sim/DefaultScenario.hpp"

#include <gtest/gtest.h>
#include <png.h>

#include <condition_variable>
#include <mutex>

namespace orvel::sim::testing {
namespace {

using platform::CapturedImage;
using platform::CaptureError;
using platform::ShareableWindow;

// A completion's result, waited for with a bound.
template <class Value> class Outcome {
  public:
    void settle(std::optional<Value> value, std::optional<CaptureError> error) {
        std::lock_guard lock(mutex_);
        value_ = std::move(value);
        error_ = std::move(error);
        settled_ = true;
        calls_++;
        done_.notify_all();
    }
    bool wait(std::chrono::milliseconds timeout = 10000ms) {
        std::unique_lock lock(mutex_);
        return done_.wait_for(lock, timeout, [this] { return settled_; });
    }
    std::optional<Value> value() const {
        std::lock_guard lock(mutex_);
        return value_;
    }
    std::optional<CaptureError> error() const {
        std::lock_guard lock(mutex_);
        return error_;
    }
    int calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }

  private:
    mutable std::mutex mutex_;
    std::condition_variable done_;
    bool settled_ = false;
    int calls_ = 0;
    std::optional<Value> value_;
    std::optional<CaptureError> error_;
};

using ImageOutcome = Outcome<CapturedImage>;
using ContentOutcome = Outcome<std::vector<ShareableWindow>>;

std::shared_ptr<ImageOutcome> capture(SimulatedDesktop& desktop, std::uint32_t windowId, int width,
                                      int height) {
    auto outcome = std::make_shared<ImageOutcome>();
    platform::StreamConfiguration configuration;
    configuration.width = width;
    configuration.height = height;
    desktop.platform().capture.captureImage(
        windowId, configuration,
        [outcome](auto image, auto error) { outcome->settle(image, error); });
    return outcome;
}

std::shared_ptr<ContentOutcome> shareable(SimulatedDesktop& desktop, bool onScreenOnly) {
    auto outcome = std::make_shared<ContentOutcome>();
    desktop.platform().capture.getShareableContent(
        false, onScreenOnly,
        [outcome](auto windows, auto error) { outcome->settle(windows, error); });
    return outcome;
}

std::vector<std::uint32_t> idsOf(const std::vector<ShareableWindow>& windows) {
    std::vector<std::uint32_t> ids;
    for (const auto& window : windows) {
        ids.push_back(window.windowId);
    }
    return ids;
}

struct Pixel {
    std::uint8_t red, green, blue, alpha;
    bool operator==(const Pixel&) const = default;
};

Pixel pixelAt(const CapturedImage& image, int x, int y) {
    const auto offset = (static_cast<std::size_t>(y) * image.width + x) * 4;
    return {image.rgba[offset], image.rgba[offset + 1], image.rgba[offset + 2],
            image.rgba[offset + 3]};
}

// The pixel under a screen point of the notes window (140, 90; 760 x 560) captured at its size
// in points.
Pixel notesPixel(const CapturedImage& image, double x, double y) {
    return pixelAt(image, static_cast<int>(x - 140), static_cast<int>(y - 90));
}

TEST(Capture, ShareableContentListsShareableWindows) {
    auto desktop = loadDesktop(defaultScenarioText);
    auto all = shareable(*desktop, false);
    ASSERT_TRUE(all->wait());
    EXPECT_EQ(idsOf(*all->value()), (std::vector<std::uint32_t>{102, 101, 201, 301}));
    EXPECT_EQ(all->value()->at(1).frame, (Rect{{140, 90}, {760, 560}}));
    auto onScreen = shareable(*desktop, true);
    ASSERT_TRUE(onScreen->wait());
    EXPECT_EQ(idsOf(*onScreen->value()), (std::vector<std::uint32_t>{101, 201, 301}));

    desktop->apply({{"permissions", {{"screenRecording", false}}}});
    auto refused = shareable(*desktop, false);
    ASSERT_TRUE(refused->wait());
    EXPECT_FALSE(refused->value());
    ASSERT_TRUE(refused->error());
    EXPECT_FALSE(refused->error()->localizedDescription.empty());

    auto failing = loadDesktop(R"({"shareableContentError": "The stream was interrupted."})");
    auto failed = shareable(*failing, false);
    ASSERT_TRUE(failed->wait());
    EXPECT_EQ(failed->error()->localizedDescription, "The stream was interrupted.");
}

TEST(Capture, DisplaysAreThoseTheRectangleTouches) {
    auto desktop = loadDesktop(R"({"displays": [
        {"frame": {"x": 0, "y": 0, "width": 1512, "height": 982}, "scale": 2},
        {"frame": {"x": 1512, "y": 0, "width": 1920, "height": 1080}, "scale": 1}]})");
    auto& capture = desktop->platform().capture;
    EXPECT_EQ(capture.displaysWithRect(Rect{{1400, 100}, {200, 100}}, 8).displays,
              (std::vector<std::uint32_t>{1, 2}));
    EXPECT_EQ(capture.displaysWithRect(Rect{{1400, 100}, {200, 100}}, 1).displays,
              (std::vector<std::uint32_t>{1}));
    EXPECT_EQ(capture.displaysWithRect(Rect{{1600, 100}, {10, 10}}, 8).displays,
              (std::vector<std::uint32_t>{2}));
    // Touching an edge is not touching the display; nowhere near any display is no display.
    EXPECT_EQ(capture.displaysWithRect(Rect{{1512, 1080}, {10, 10}}, 8).displays.size(), 0u);
    EXPECT_EQ(capture.displayMode(2)->pixelWidth, 1920);
    EXPECT_FALSE(capture.displayMode(0));
    EXPECT_FALSE(capture.displayMode(3));
}

TEST(Capture, AWindowIsPaintedAtTheRequestedSizeSoItsLayoutShows) {
    auto desktop = loadDesktop(defaultScenarioText);
    auto outcome = capture(*desktop, 101, 760, 560);
    ASSERT_TRUE(outcome->wait());
    ASSERT_TRUE(outcome->value()) << outcome->error()->localizedDescription;
    const auto image = *outcome->value();
    ASSERT_EQ(image.width, 760);
    ASSERT_EQ(image.height, 560);
    ASSERT_EQ(image.rgba.size(), 760u * 560u * 4u);

    const Pixel background = notesPixel(image, 850, 600);
    const Pixel titleBar = notesPixel(image, 800, 100);
    const Pixel textField = notesPixel(image, 860, 178);   // inside "note-body", right of its text
    const Pixel button = notesPixel(image, 170, 215);      // inside "Lagre", left of its label
    const Pixel list = notesPixel(image, 480, 480);        // inside the list
    const Pixel focusRing = notesPixel(image, 600, 158.5); // just above the focused field
    EXPECT_EQ(background.alpha, 255);
    EXPECT_NE(titleBar, background);
    EXPECT_EQ(textField, (Pixel{255, 255, 255, 255}));
    EXPECT_EQ(list, (Pixel{255, 255, 255, 255}));
    EXPECT_NE(button, background);
    EXPECT_NE(button, textField);
    EXPECT_EQ(focusRing, (Pixel{0, 122, 255, 255}));
    // The field's edge is drawn in a darker colour than its inside.
    EXPECT_LT(notesPixel(image, 500, 160).red, textField.red);

    // Without a size the capture takes the frame at the display's scale.
    auto natural = capture(*desktop, 201, 0, 0);
    ASSERT_TRUE(natural->wait());
    EXPECT_EQ(natural->value()->width, 1320);
    EXPECT_EQ(natural->value()->height, 880);
}

TEST(Capture, CapturesFailAsTheScenarioOrThePermissionSays) {
    auto desktop = loadDesktop(R"({"apps": [{"pid": 1}], "windows": [
        {"windowId": 1, "pid": 1, "frame": {"x": 0, "y": 0, "width": 100, "height": 100}, "captureError": "Failed to start the stream."},
        {"windowId": 2, "pid": 1, "frame": {"x": 0, "y": 0, "width": 100, "height": 100}, "shareable": false},
        {"windowId": 3, "pid": 1, "frame": {"x": 0, "y": 0, "width": 100, "height": 100}}]})");
    auto scripted = capture(*desktop, 1, 10, 10);
    ASSERT_TRUE(scripted->wait());
    EXPECT_FALSE(scripted->value());
    EXPECT_EQ(scripted->error()->localizedDescription, "Failed to start the stream.");

    for (std::uint32_t windowId : {2u, 99u}) {
        auto missing = capture(*desktop, windowId, 10, 10);
        ASSERT_TRUE(missing->wait());
        EXPECT_TRUE(missing->error()) << windowId;
    }
    auto huge = capture(*desktop, 3, 100000, 100000);
    ASSERT_TRUE(huge->wait());
    EXPECT_TRUE(huge->error());

    desktop->apply({{"permissions", {{"screenRecording", false}}}});
    auto refused = capture(*desktop, 3, 10, 10);
    ASSERT_TRUE(refused->wait());
    EXPECT_TRUE(refused->error());
}

TEST(Capture, ACaptureTakesItsLatencyAndCompletesOnAnotherThread) {
    const auto caller = std::this_thread::get_id();
    std::atomic<bool> otherThread{false};
    auto outcome = std::make_shared<ImageOutcome>();
    auto desktop = loadDesktop(readScenario("slow-app.json"));
    const auto start = SteadyClock::now();
    desktop->platform().capture.captureImage(610, platform::StreamConfiguration{40, 30},
                                             [&, outcome](auto image, auto error) {
                                                 otherThread = std::this_thread::get_id() != caller;
                                                 outcome->settle(image, error);
                                             });
    EXPECT_LT(secondsSince(start), 0.1);
    ASSERT_TRUE(outcome->wait());
    EXPECT_GE(secondsSince(start), 0.19);
    EXPECT_TRUE(otherThread);
    EXPECT_EQ(outcome->value()->width, 40);
}

TEST(Capture, ACaptureThatNeverCompletesDoesNotHoldUpTheDesktopsEnd) {
    auto desktop = loadDesktop(R"({"apps": [{"pid": 1}], "windows": [
        {"windowId": 1, "pid": 1, "frame": {"x": 0, "y": 0, "width": 100, "height": 100}, "captureLatency": 3600}],
        "shareableContentLatency": 3600})");
    auto image = capture(*desktop, 1, 10, 10);
    auto content = shareable(*desktop, false);
    EXPECT_FALSE(image->wait(20ms));
    const auto start = SteadyClock::now();
    desktop.reset();
    EXPECT_LT(secondsSince(start), 0.5);
    EXPECT_EQ(image->calls(), 0);
    EXPECT_EQ(content->calls(), 0);
}

TEST(Capture, PngEncodingKeepsEveryPixel) {
    auto desktop = loadDesktop(defaultScenarioText);
    auto outcome = capture(*desktop, 101, 152, 112);
    ASSERT_TRUE(outcome->wait());
    const auto image = *outcome->value();
    auto png = desktop->platform().capture.encodePNG(image);
    ASSERT_TRUE(png);
    ASSERT_GT(png->size(), 8u);
    EXPECT_EQ((*png)[1], 'P');

    png_image decoded{};
    decoded.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&decoded, png->data(), png->size()));
    decoded.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(decoded));
    ASSERT_TRUE(png_image_finish_read(&decoded, nullptr, pixels.data(), 0, nullptr));
    EXPECT_EQ(decoded.width, 152u);
    EXPECT_EQ(decoded.height, 112u);
    EXPECT_EQ(pixels, image.rgba);

    EXPECT_FALSE(desktop->platform().capture.encodePNG(CapturedImage{}));
    EXPECT_FALSE(
        desktop->platform().capture.encodePNG(CapturedImage{2, 2, std::vector<std::uint8_t>(15)}));
}

} // namespace
} // namespace orvel::sim::testing
