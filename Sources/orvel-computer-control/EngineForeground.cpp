// Foreground mode: bringing the application and its observed window to the front, and the
// guard that stops input as soon as the user or another window takes the foreground.
#include "Engine.hpp"
#include "Input.hpp"

#include "OrvelControlCore/WindowMatch.hpp"

#include <chrono>
#include <thread>

namespace orvel {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto activationWait = std::chrono::milliseconds(1500);
constexpr auto focusWait = std::chrono::milliseconds(1000);
constexpr auto pollInterval = std::chrono::milliseconds(50);

} // namespace

void Engine::bringForward(const AppTarget& app, const ObservationRecord& record,
                          const Ticket& ticket) {
    auto notForward = [&app] {
        return Failure("foreground_required",
                       "Appen kom ikke i forgrunnen. Be brukeren om å velge den selv.",
                       Json{{"bundleId", app.bundleId}});
    };
    if (targets_.frontmostPid() != app.pid) {
        bool accepted =
            platform_.mainLoop.runSync([&] { return platform_.workspace.activate(app.pid, 0); });
        if (!accepted) {
            throw notForward();
        }
        bool frontmost = false;
        for (auto deadline = Clock::now() + activationWait;
             !frontmost && Clock::now() < deadline;) {
            ledger_.check(ticket);
            frontmost = targets_.frontmostPid() == app.pid;
            if (!frontmost) {
                std::this_thread::sleep_for(pollInterval);
            }
        }
        if (!frontmost && targets_.frontmostPid() != app.pid) {
            throw notForward();
        }
    }

    auto focusedWindow = [&] {
        return accessibility_.element(accessibility_.application(app.pid), "AXFocusedWindow");
    };
    if (!accessibility_.equal(focusedWindow(), record.axWindow)) {
        try {
            accessibility_.perform(record.axWindow, "AXRaise");
        } catch (const Failure&) {
            // Whether the raise worked is what the wait below finds out.
        }
        bool focused = false;
        for (auto deadline = Clock::now() + focusWait; !focused && Clock::now() < deadline;) {
            ledger_.check(ticket);
            focused = accessibility_.equal(focusedWindow(), record.axWindow);
            if (!focused) {
                std::this_thread::sleep_for(pollInterval);
            }
        }
        if (!focused && !accessibility_.equal(focusedWindow(), record.axWindow)) {
            throw Failure(
                "foreground_required",
                "Det valgte vinduet fikk ikke fokus i appen. Be brukeren om å velge vinduet selv.");
        }
    }

    auto frame = accessibility_.frame(record.axWindow);
    if (!frame || !WindowMatch::stillMatches(*frame, record.windowFrame, unmovedTolerance)) {
        forgetObservation();
        throw Failure("stale_observation",
                      "Vinduet endret seg da det ble hentet fram. Observer på nytt.");
    }
    if (platform_.events.isSecureEventInputEnabled()) {
        throw Failure("denied_target",
                      "Sikker tastaturinnlesing er slått på. Orvel Rire sender ikke inndata nå.");
    }
}

InputGuard Engine::foregroundGuard(const AppTarget& app,
                                   std::shared_ptr<const ObservationRecord> record,
                                   const Ticket& ticket, platform::ElementHandle expectedFocus) {
    auto check = [this, pid = app.pid, record, ticket, expectedFocus] {
        // A takeover stops the action at once, whether or not its halt has begun.
        if (listener_.takenOver()) {
            throw Input::userTookOver();
        }
        ledger_.check(ticket);
        auto status = listener_.currentStatus();
        if (!status.active) {
            throw Failure("foreground_lost",
                          "Orvel Rire kan ikke lenger se om du tar over tastatur og mus. "
                          "Handlingen ble stoppet.",
                          Json{{"listener", status.payload()}});
        }
        if (targets_.frontmostPid() != pid) {
            throw Failure("foreground_lost",
                          "En annen app kom i forgrunnen. Handlingen ble stoppet.");
        }
        auto window = accessibility_.element(accessibility_.application(pid), "AXFocusedWindow");
        if (window.isNull() || !accessibility_.equal(window, record->axWindow)) {
            throw Failure("foreground_lost", "Et annet vindu fikk fokus. Handlingen ble stoppet.");
        }
        if (platform_.events.isSecureEventInputEnabled()) {
            throw Failure("denied_target",
                          "Sikker tastaturinnlesing ble slått på. Handlingen ble stoppet.");
        }
        if (!expectedFocus.isNull()) {
            auto focused =
                accessibility_.element(accessibility_.application(pid), "AXFocusedUIElement");
            if (focused.isNull() || !accessibility_.equal(focused, expectedFocus)) {
                throw Failure("stale_observation", "Tastaturfokus flyttet seg under handlingen.");
            }
        }
    };
    return InputGuard{[this, ticket] { return isLive(ticket) && !listener_.takenOver(); }, check,
                      [this] {
                          return listener_.takenOver();
                      }};
}

} // namespace orvel
