// The engine: the one object of the process that admits requests, answers the fast ones at
// once on the reader thread, runs the rest one at a time on the worker, writes every
// response, halts, watches the parent and drains before the process ends.
//
// Threading: `runReader`, `accept` and `immediate` run on the reader thread; `perform` on
// the worker; `halt`, `publish`, `nextObservationId`, `deadline` and the accessors from any
// thread. `lock_` guards the current observation and the observation counter; the only
// nesting is `lock_` then the request ledger's lock, in `publish`. Output goes through
// `wire_`, whose lock is always taken alone and last.
#pragma once

#include "Accessibility.hpp"
#include "BackgroundTasks.hpp"
#include "Capture.hpp"
#include "InputGuard.hpp"
#include "InputPacing.hpp"
#include "InputState.hpp"
#include "LockWatcher.hpp"
#include "ObservationRecord.hpp"
#include "OrvelControlCore/Clock.hpp"
#include "OrvelControlCore/Deadline.hpp"
#include "OrvelControlCore/Failure.hpp"
#include "OrvelControlCore/Json.hpp"
#include "OrvelControlCore/LineFramer.hpp"
#include "OrvelControlCore/RequestLedger.hpp"
#include "PeriodicTimer.hpp"
#include "Permissions.hpp"
#include "ScreenshotBudget.hpp"
#include "SerialQueue.hpp"
#include "TargetPolicy.hpp"
#include "Targets.hpp"
#include "UserInputListener.hpp"
#include "Wire.hpp"
#include "platform/OutputChannel.hpp"
#include "platform/Platform.hpp"
#include "platform/StreamOutput.hpp"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

namespace orvel {

struct EngineOptions {
    // Where responses and events go, and where diagnostics go. The entry point gives the
    // descriptor channels of standard output and standard error, which bound every wait.
    std::shared_ptr<platform::OutputChannel> out = platform::streamOutput(stdout);
    std::shared_ptr<platform::OutputChannel> err = platform::streamOutput(stderr);
    // Ends the process; the entry point flushes and exits, tests record the call.
    std::function<void(int status)> exitProcess;
    std::chrono::milliseconds watchdogInterval{1000};
    WallClock clock = systemNow;
    // When set, every output object (responses and event lines) goes here instead of `out`, from
    // whichever thread produced it; a session that speaks another protocol translates them.
    Wire::LineSink lineSink;
    // Screenshots within a transport's message size; none means the platform's own limits.
    std::optional<ScreenshotBudget> screenshotBudget;
    // How long an action gives the application to react before its window is observed again,
    // and the pauses between the events of synthetic input.
    std::chrono::milliseconds reactionTime{180};
    InputPacing inputPacing;
};

class Engine {
  public:
    using InputReader = std::function<std::size_t(char* buffer, std::size_t size)>;
    // Handles one framed line or overflow; false stops reading.
    using FrameHandler = std::function<bool(const Frame& frame)>;

    // Observation bounds when a request names none, and the capture's own time limit.
    static constexpr int defaultDepth = 8;
    static constexpr int defaultNodes = 250;
    static constexpr double captureSeconds = 12.0;
    // How many ancestors of a hit or focused element are searched for an observed node.
    static constexpr int mostAncestors = 12;
    // How far a window may have moved and still count as where it was observed.
    static constexpr double unmovedTolerance = 2.0;

    static const std::set<std::string, std::less<>>& fastOps();
    static const std::set<std::string, std::less<>>& controlOps();
    static const std::set<std::string, std::less<>>& foregroundOnly();

    Engine(platform::Platform& platform, UserInputListener& listener,
           const LockWatcher& lockWatcher, EngineOptions options);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // The reader body: starts the watchdog, frames what `read` yields, accepts each line and
    // runs the end-of-input sequence when the input ends or after `shutdown`.
    void runReader(const InputReader& read);
    // The same reader body with another handler of each frame, for a session that speaks
    // another protocol over the same framing and endings.
    void runReader(const InputReader& read, const FrameHandler& handle);

    // What the reader does with a frame of the JSON-lines protocol.
    bool handleFrame(const Frame& frame);
    bool accept(std::string_view line);
    // `accept` of a request that is already parsed into an object.
    bool acceptRequest(Json request);
    Json immediate(const std::string& op, const std::string& id, const Json& request);
    Json perform(const std::string& op, const Ticket& ticket, const Json& request);
    void finish(const std::string& id, const Json& response, bool control);

    std::string nextObservationId();
    bool publish(std::shared_ptr<const ObservationRecord> record, const Ticket& ticket);
    std::shared_ptr<const ObservationRecord> currentObservation() const;

    int halt(const std::string& reason);
    void startWatchdog();
    void drain(double seconds);
    Deadline deadline(const Ticket& ticket, double seconds) const;

    // The application behind `pid`, checked against what the caller is bound to: still
    // running, the expected bundle, the same launch, and within reach.
    AppTarget liveApp(std::int32_t pid, const std::optional<std::string>& expectedBundle,
                      std::optional<double> launchedAt);
    // The window with this number among all of the pid's windows, on screen or not.
    WindowTarget liveWindow(std::int32_t pid, std::uint32_t windowId);
    Json lockPayload(const LockState& state) const { return permissions_.lockPayload(state); }

    // The "observe" request: one bounded observation of a window, published as the current
    // observation, optionally with a screenshot.
    Json observe(const Ticket& ticket, const Json& request);
    Json observationPayload(const ObservationRecord& record, const AppTarget& app);
    // The node a request names with "elementId"; "stale_observation" when there is none.
    static const ObservedNode& node(const ObservationRecord& record, const Json& request);

    // The "act" request: one guarded action against the current observation, then a fresh
    // observation and an honest account of whether anything changed.
    Json act(const Ticket& ticket, const Json& request);

    // Runs one accessibility mutation counted by the input ledger, so that a halt waits for
    // it and stops new ones.
    template <class Body>
    auto mutate(const Ticket& ticket, Body&& body) -> std::invoke_result_t<Body&> {
        auto result = input_.ledger().runMutation([this, &ticket] { return isLive(ticket); }, body);
        if (!result) {
            throwMutationRefusal(ticket);
        }
        return std::move(*result);
    }

    // The observed element is still what the observation recorded; forgets the observation
    // when the difference makes it stale.
    void verifyUnchanged(const ObservedNode& node);
    // The observed element is still what the observation recorded, in the observed window.
    void verifyLive(const ObservedNode& node, const ObservationRecord& record);

    // Pointer targets: window points to screen points, the surface under a point, the element
    // a pointer will act on, the end of a drag, and the point reported back.
    Point screenPoint(const Json& coordinates, const ObservationRecord& record);
    void verifySurface(Point point, const ObservationRecord& record);
    const ObservedNode& resolvePointer(Point point, const ObservationRecord& record,
                                       const std::optional<std::string>& approved);
    void verifyDestination(Point point, const ObservationRecord& record,
                           const std::optional<std::string>& approved);
    std::optional<Point> actionPoint(const std::string& kind, const Json& action,
                                     const ObservedNode* target, const ObservationRecord& record);

    // Where keyboard input will go: the focused element and its observed node, both optional.
    struct TypingFocus {
        platform::ElementHandle element;
        const ObservedNode* node = nullptr;
    };
    TypingFocus verifyTypingFocus(const ObservationRecord& record, const AppTarget& app,
                                  bool required);

    // Foreground mode: bringing the app and its window forward, and the guard that stops input
    // as soon as the foreground is lost or the user takes over.
    void bringForward(const AppTarget& app, const ObservationRecord& record, const Ticket& ticket);
    InputGuard foregroundGuard(const AppTarget& app,
                               std::shared_ptr<const ObservationRecord> record,
                               const Ticket& ticket, platform::ElementHandle expectedFocus);
    bool listenerIsLive() const { return listener_.currentStatus().active; }

    // Forgets the current observation, so that the next action must observe again.
    void forgetObservation();

    // SIGINT or SIGTERM: halt and end the process at once.
    void handleTerminationSignal();

    RequestLedger& ledger() { return ledger_; }
    Targets& targets() { return targets_; }
    Permissions& permissions() { return permissions_; }
    Accessibility& accessibility() { return accessibility_; }
    Capture& capture() { return capture_; }
    InputState& input() { return input_; }
    Wire& wire() { return wire_; }
    std::int32_t parentPid() const { return parentPid_; }

  private:
    struct ActionPlan;

    bool isLive(const Ticket& ticket) const { return ledger_.state(ticket) == TicketState::live; }
    [[noreturn]] void throwMutationRefusal(const Ticket& ticket);
    std::shared_ptr<const ObservationRecord> admitAction(const std::string& observationId);
    void verifyWindowUnmoved(const ObservationRecord& record, const WindowTarget& window);
    void resolveTarget(ActionPlan& plan);
    void performAction(ActionPlan& plan);
    std::optional<std::string> classifyActionFailure(const Failure& failure, bool partial);
    Json actionOutcome(ActionPlan& plan, std::optional<std::string> uncertainty);
    bool hitTest(Point point, const ObservationRecord& record, platform::ElementHandle& hit);
    void enqueueWorkerJob(std::string op, std::string id, Ticket ticket, Json request);
    Json workerResponse(const std::string& op, const std::string& id, const Ticket& ticket,
                        const Json& request);
    Json caughtResponse(const std::string& id, const std::function<Json()>& respond);
    void answerAdmissionRefusal(const Admission& admission, const std::string& id);
    Json health();
    Json appsList();
    Json windowsList(const Json& request);
    Json permissionsRequest(const Json& request);
    void watchdogTick();
    void cancelWatchdog();
    void endOfInput();
    // The ending's time bound: from here on nothing waits long for standard output.
    void beginEnding();
    // Lets the line being written finish (see Wire::close), then ends the process.
    void exitAfterOutput();

    platform::Platform& platform_;
    UserInputListener& listener_;
    const std::function<void(int)> exitProcess_;
    const WallClock clock_;
    const std::chrono::milliseconds watchdogInterval_;
    const std::chrono::milliseconds reactionTime_;

    Wire wire_;
    RequestLedger ledger_;
    InputState input_;
    const std::int32_t parentPid_;
    const TargetPolicy targetPolicy_;
    Targets targets_;
    Permissions permissions_;
    Accessibility accessibility_;
    Capture capture_;

    mutable std::mutex lock_;
    std::shared_ptr<const ObservationRecord> current_; // guarded by lock_
    std::int64_t observationCount_ = 0;                // guarded by lock_

    BackgroundTasks settleWaits_;
    SerialQueue worker_;
    std::mutex watchdogLock_;
    std::unique_ptr<PeriodicTimer> watchdog_; // guarded by watchdogLock_
};

} // namespace orvel
