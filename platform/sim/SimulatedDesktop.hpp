// The simulated desktop: every platform service of the program on an in-memory desktop
// described by a scenario (the simulator's scenario format, see the README), plus the hooks
// tests use to move the world and look at it.
//
// All services and hooks are safe to call from any thread. Callbacks (tap events,
// notifications) are delivered on `platform().mainLoop`, which whoever drives the desktop
// runs on a thread of its choice; that loop must be quit and its thread joined before the
// desktop is destroyed. The destructor stops the script and the capture threads, and does not
// wait for captures that would never complete.
#pragma once

#include "OrvelControlCore/Geometry.hpp"
#include "OrvelControlCore/Json.hpp"
#include "platform/Backend.hpp"
#include "platform/sim/EventLog.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvel::sim {

struct DesktopOptions {
    std::string eventLogPath; // empty: no log file
};

class DesktopCore;
struct Scenario;
class SimAccessibility;
class SimWindowServer;
class SimWorkspace;
class SimEventSystem;
class SimPrivacyAccess;
class SimNotificationCenter;
class SimScreenCapture;

class SimulatedDesktop : public platform::Backend {
  public:
    // Null with `error` set to the reason ("scenario: apps[1].pid must be ...") when the
    // scenario cannot be used or the event log cannot be opened.
    static std::unique_ptr<SimulatedDesktop> load(std::string_view scenarioJson, std::string& error,
                                                  DesktopOptions options = {});
    static std::unique_ptr<SimulatedDesktop> loadFile(const std::string& path, std::string& error,
                                                      DesktopOptions options = {});

    ~SimulatedDesktop() override;
    SimulatedDesktop(const SimulatedDesktop&) = delete;
    SimulatedDesktop& operator=(const SimulatedDesktop&) = delete;

    platform::Platform& platform() override;

    // The events logged most recently (every one, up to `EventLog::memoryLimit`): the same
    // objects as the lines of the log file.
    std::vector<Json> eventLog() const;
    // The keys and buttons the program's events pressed and have not yet let go.
    PressedInput inputPressedByProgram() const;
    // Runs an effect or a script "do" object now, exactly as the script would. Throws
    // std::invalid_argument, naming the problem, for an object that is not one.
    void apply(const Json& action);
    // The current value of an element's attribute in the simulator's value notation (elements
    // as {"element": id}, points as {"x", "y"}, ...); absent when the element or the value is
    // not there. The element's latency and `errors` are not applied.
    std::optional<Json> elementAttribute(const std::string& elementId,
                                         const std::string& attribute) const;
    std::int32_t frontmostPid() const; // 0 when none
    std::optional<Point> pointerLocation() const;
    // The window server's window numbers, front to back, on screen or not.
    std::vector<std::uint32_t> windowOrder() const;

  private:
    struct Services;

    explicit SimulatedDesktop(std::shared_ptr<DesktopCore> core);
    static std::unique_ptr<SimulatedDesktop>
    start(const Scenario& scenario, const DesktopOptions& options, std::string& error);

    std::shared_ptr<DesktopCore> core_;
    std::unique_ptr<Services> services_;
    std::unique_ptr<platform::Platform> platform_;
};

} // namespace orvel::sim
