#include "linux/support/TestApplication.hpp"

#include <chrono>
#include <sstream>

namespace orvel::testing {

namespace {

using namespace std::chrono_literals;

// A GTK application on a loaded machine can take a few seconds to show its first frame.
constexpr auto readyTimeout = 20s;
constexpr auto commandTimeout = 5s;

double secondsSince1970() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace

std::unique_ptr<TestApplication> TestApplication::start(const TestApplicationOptions& options,
                                                        std::string& error) {
    const double startedAt = secondsSince1970();
    auto child = platform::ChildProcess::start(
        "/usr/bin/python3",
        {ORVEL_TEST_APP_PATH, "--title", options.title, "--x", std::to_string(options.x), "--y",
         std::to_string(options.y), "--width", std::to_string(options.width), "--height",
         std::to_string(options.height), "--patch", options.patch, "--application-id",
         options.applicationId});
    if (!child) {
        error = "the test application could not be started";
        return nullptr;
    }
    std::unique_ptr<TestApplication> app(new TestApplication(std::move(child), options, startedAt));
    if (!app->readReady(error)) {
        return nullptr;
    }
    return app;
}

TestApplication::TestApplication(std::unique_ptr<platform::ChildProcess> child,
                                 TestApplicationOptions options, double startedAt)
    : child_(std::move(child)), options_(std::move(options)), startedAt_(startedAt) {}

TestApplication::~TestApplication() {
    child_->write("quit\n");
    child_->closeInput();
    if (!child_->waitForExit(3s)) {
        child_->kill();
        child_->waitForExit(3s);
    }
}

bool TestApplication::readReady(std::string& error) {
    auto line =
        child_->readLine(std::chrono::duration_cast<std::chrono::milliseconds>(readyTimeout));
    std::istringstream words(line.value_or(""));
    std::string ready;
    double patch[4] = {};
    double frame[4] = {};
    words >> ready >> windowId_ >> patch[0] >> patch[1] >> patch[2] >> patch[3] >> frame[0] >>
        frame[1] >> frame[2] >> frame[3];
    if (ready != "ready" || !words) {
        error = "the test application did not show its window: " + line.value_or("(nothing)") +
                " " + child_->errorOutput();
        return false;
    }
    patch_ = Rect{{patch[0], patch[1]}, {patch[2], patch[3]}};
    frame_ = Rect{{frame[0], frame[1]}, {frame[2], frame[3]}};
    return true;
}

bool TestApplication::command(const std::string& line) {
    if (!child_->write(line + "\n")) {
        return false;
    }
    return child_->readLine(
               std::chrono::duration_cast<std::chrono::milliseconds>(commandTimeout)) == "ok";
}

Rgb colourOf(const std::string& hex) {
    const auto channel = [&hex](std::size_t at) {
        return static_cast<std::uint8_t>(std::stoi(hex.substr(at, 2), nullptr, 16));
    };
    return Rgb{channel(0), channel(2), channel(4)};
}

} // namespace orvel::testing
