// The project's GTK test application (tests/linux/apps/orvel-test-app.py) started for a test
// on the private desktop session: its window, its colour patch and its frame as the app
// itself reports them, and the commands it takes (iconify, deiconify, present, move, title).
//
// One test thread drives one application. The destructor asks it to quit and stops it by its
// pid if it does not.
#pragma once

#include "OrvelControlCore/Geometry.hpp"
#include "platform/ChildProcess.hpp"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace orvel::testing {

struct TestApplicationOptions {
    std::string title = "Orvel testvindu";
    int x = 200;
    int y = 150;
    int width = 640;
    int height = 520;
    // The patch's colour as RRGGBB.
    std::string patch = "e0007a";
    std::string applicationId = "no.orvel.TestApp";
};

class TestApplication {
  public:
    // Starts the app and waits until its window is painted; null with `error` set otherwise.
    static std::unique_ptr<TestApplication> start(const TestApplicationOptions& options,
                                                  std::string& error);
    ~TestApplication();
    TestApplication(const TestApplication&) = delete;
    TestApplication& operator=(const TestApplication&) = delete;

    std::int32_t pid() const { return child_->pid(); }
    std::uint32_t windowId() const { return windowId_; }
    // Root-window coordinates.
    const Rect& patch() const { return patch_; }
    const Rect& frame() const { return frame_; }
    const TestApplicationOptions& options() const { return options_; }
    // Seconds since 1970 just before the app was started.
    double startedAt() const { return startedAt_; }

    // Sends one command and waits for the app to have carried it out; false when it did not.
    bool command(const std::string& line);

  private:
    TestApplication(std::unique_ptr<platform::ChildProcess> child, TestApplicationOptions options,
                    double startedAt);
    bool readReady(std::string& error);

    std::unique_ptr<platform::ChildProcess> child_;
    TestApplicationOptions options_;
    double startedAt_;
    std::uint32_t windowId_ = 0;
    Rect patch_;
    Rect frame_;
};

// The patch colour of an options string as {r, g, b}.
struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const Rgb&) const = default;
};
Rgb colourOf(const std::string& hex);

} // namespace orvel::testing
