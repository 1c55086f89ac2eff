// What window capture relies on: the windows as shareable content with their frames, displays
// that cover them with a mode, and an image of the whole window as it is drawn (its patch in
// its colour even while another window covers it), at the size asked for, delivered on a
// thread of the service's own, and encoded as PNG.
#include "contract/ContractDesktops.hpp"

#include <cstdlib>
#include <future>
#include <thread>

namespace orvel::contract {
namespace {

using namespace std::chrono_literals;

struct Capture {
    std::optional<platform::CapturedImage> image;
    std::optional<platform::CaptureError> error;
    std::thread::id thread;
};

class ScreenCaptureContract : public ContractTest {
  protected:
    Capture capture(const KnownWindow& window, int width, int height) {
        platform::StreamConfiguration configuration;
        configuration.width = width;
        configuration.height = height;
        auto done = std::make_shared<std::promise<Capture>>();
        auto result = done->get_future();
        platform().capture.captureImage(window.windowId, configuration,
                                        [done](std::optional<platform::CapturedImage> image,
                                               std::optional<platform::CaptureError> error) {
                                            done->set_value(Capture{std::move(image),
                                                                    std::move(error),
                                                                    std::this_thread::get_id()});
                                        });
        if (result.wait_for(10s) != std::future_status::ready) {
            ADD_FAILURE() << "no capture within 10 s";
            return {};
        }
        return result.get();
    }

    std::vector<platform::ShareableWindow> shareableWindows() {
        auto done = std::make_shared<std::promise<std::vector<platform::ShareableWindow>>>();
        auto result = done->get_future();
        platform().capture.getShareableContent(
            false, false,
            [done](std::optional<std::vector<platform::ShareableWindow>> windows,
                   std::optional<platform::CaptureError>) {
                done->set_value(windows.value_or(std::vector<platform::ShareableWindow>{}));
            });
        EXPECT_EQ(result.wait_for(5s), std::future_status::ready);
        return result.get();
    }
};

bool near(std::uint8_t value, std::uint8_t expected) {
    return std::abs(static_cast<int>(value) - static_cast<int>(expected)) <= 8;
}

// The share of the pixels of `area` (window points, scaled by `scale`) in `colour`.
double shareInColour(const platform::CapturedImage& image, const Rect& area, double scale,
                     Colour colour) {
    const int left = static_cast<int>(area.origin.x * scale);
    const int top = static_cast<int>(area.origin.y * scale);
    const int right = static_cast<int>((area.origin.x + area.size.width) * scale);
    const int bottom = static_cast<int>((area.origin.y + area.size.height) * scale);
    int matching = 0;
    int total = 0;
    for (int y = std::max(0, top); y < std::min(image.height, bottom); ++y) {
        for (int x = std::max(0, left); x < std::min(image.width, right); ++x) {
            const auto* pixel =
                image.rgba.data() + (static_cast<std::size_t>(y) * image.width + x) * 4;
            ++total;
            matching += near(pixel[0], colour.red) && near(pixel[1], colour.green) &&
                        near(pixel[2], colour.blue);
        }
    }
    return total == 0 ? 0.0 : static_cast<double>(matching) / total;
}

// The patch in window points, relative to the window's frame.
Rect patchInWindow(const KnownWindow& window) {
    return Rect{{window.patch.origin.x - window.frame.origin.x,
                 window.patch.origin.y - window.frame.origin.y},
                window.patch.size};
}

TEST_P(ScreenCaptureContract, ListsTheWindowsAsShareableContentWithTheirFrames) {
    const auto windows = shareableWindows();
    for (const auto* known : {&desktop().first(), &desktop().second()}) {
        auto found = std::find_if(windows.begin(), windows.end(), [known](const auto& window) {
            return window.windowId == known->windowId;
        });
        ASSERT_NE(found, windows.end()) << known->title;
        EXPECT_EQ(found->frame, known->frame);
    }
}

TEST_P(ScreenCaptureContract, ADisplayCoversEachWindowWithAMode) {
    auto displays = platform().capture.displaysWithRect(desktop().first().frame, 8);
    ASSERT_EQ(displays.status, 0);
    ASSERT_FALSE(displays.displays.empty());
    auto mode = platform().capture.displayMode(displays.displays.front());
    ASSERT_TRUE(mode.has_value());
    EXPECT_GT(mode->width, 0);
    EXPECT_EQ(mode->pixelWidth, mode->width) << "the contract desktops run at scale 1";
}

TEST_P(ScreenCaptureContract, CapturesTheWholeWindowAsDrawnEvenWhereItIsCovered) {
    const auto& window = desktop().first();
    const int width = static_cast<int>(window.frame.size.width);
    const int height = static_cast<int>(window.frame.size.height);
    auto captured = capture(window, width, height);
    ASSERT_TRUE(captured.image.has_value())
        << (captured.error ? captured.error->localizedDescription : "no image");
    EXPECT_EQ(captured.image->width, width);
    EXPECT_EQ(captured.image->height, height);
    const auto patch = patchInWindow(window);
    EXPECT_GT(shareInColour(*captured.image, patch, 1, window.patchColour), 0.98)
        << "the patch is under the second window, so only a capture of the window itself shows it";
    // Next to the patch the window shows something else.
    const Rect beside{{patch.origin.x + patch.size.width + 20, patch.origin.y}, patch.size};
    EXPECT_LT(shareInColour(*captured.image, beside, 1, window.patchColour), 0.1);
}

TEST_P(ScreenCaptureContract, ScalesTheImageToTheRequestedSize) {
    const auto& window = desktop().second();
    const int width = static_cast<int>(window.frame.size.width / 2);
    const int height = static_cast<int>(window.frame.size.height / 2);
    auto captured = capture(window, width, height);
    ASSERT_TRUE(captured.image.has_value());
    EXPECT_EQ(captured.image->width, width);
    EXPECT_EQ(captured.image->height, height);
    auto patch = patchInWindow(window);
    // The middle of the patch, clear of its blended edges.
    const Rect middle{{patch.origin.x + 10, patch.origin.y + 10},
                      {patch.size.width - 20, patch.size.height - 20}};
    EXPECT_GT(shareInColour(*captured.image, middle, 0.5, window.patchColour), 0.95);
}

TEST_P(ScreenCaptureContract, CompletesOnAThreadOfItsOwnAndEncodesPng) {
    const auto& window = desktop().second();
    auto captured = capture(window, static_cast<int>(window.frame.size.width),
                            static_cast<int>(window.frame.size.height));
    ASSERT_TRUE(captured.image.has_value());
    EXPECT_NE(captured.thread, std::this_thread::get_id());
    auto png = platform().capture.encodePNG(*captured.image);
    ASSERT_TRUE(png.has_value());
    const std::vector<std::uint8_t> signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_GT(png->size(), signature.size());
    EXPECT_TRUE(std::equal(signature.begin(), signature.end(), png->begin()));
}

ORVEL_CONTRACT_SUITE(ScreenCaptureContract);

} // namespace
} // namespace orvel::contract
