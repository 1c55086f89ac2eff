// Synthetic pointer and keyboard input: a pointer move, a click (single, double or triple), a
// scroll, a drag, typed text and a key combination. Every event is created from the state's
// event source, so it carries the takeover listener's signature, and every event is booked and
// posted through the input ledger, so a stop either refuses it or releases what it pressed.
// Between the steps of a longer operation the guard is consulted, so an action is cut short as
// soon as its request is cancelled or the foreground condition is lost; a failure that leaves a
// partly performed action carries its progress ("clicks", "typed" or "releasedAt").
//
// Right before each event is booked, the operation waits (bounded) until the takeover listener
// has judged every event that reached the desktop so far, and once more after its last event:
// a user event among the action's own stops it, and a listener that cannot be confirmed to see
// the user stops it too ("foreground_lost"). A takeover fails the action as "stopped".
//
// Without an event source nothing is posted at all: events without the signature would look
// like the user's own to the takeover listener. An event that cannot be created fails the action
// rather than being skipped, as "input_unavailable", saying whether anything had been sent.
//
// Threading: each operation blocks the calling thread (the worker) for its whole duration,
// pauses included. The guard's `live` runs under the ledger's lock right before each event is
// posted; its `check` and every pause run outside that lock, so a stop never waits for a pause.
#pragma once

#include "InputGuard.hpp"
#include "InputState.hpp"
#include "OrvelControlCore/Failure.hpp"
#include "OrvelControlCore/Geometry.hpp"

#include <chrono>
#include <string>
#include <vector>

namespace orvel::Input {

// A drag moves the pointer in this many steps, pausing after each (the state's pacing says how
// long every pause is).
inline constexpr int dragSteps = 12;
// Clicks of one click action: a count below 1 gives one, above 3 gives three.
inline constexpr int maxClicks = 3;
// Largest scroll amount in pixels along either axis.
inline constexpr int scrollLimit = 2000;
// How long an operation waits for the takeover listener to judge the events so far.
inline constexpr std::chrono::milliseconds judgementBound{1000};

// The failure of an action the user took over: code "stopped", as the halt that follows says.
Failure userTookOver();

// Moves the pointer to `point`.
void move(InputState& state, Point point, const InputGuard& guard);

// Moves to `point` and clicks `count` times with the button named "right", "middle" or anything
// else (the left button); refusals carry "clicks", the clicks completed before.
void click(InputState& state, Point point, const std::string& button, int count,
           const InputGuard& guard);

// Moves to `point` and scrolls by `dx`, `dy` pixels (each limited to -2000 ... 2000).
void scroll(InputState& state, Point point, int dx, int dy, const InputGuard& guard);

// Presses the left button at `from`, drags it to `to` in twelve steps and lets go there. A
// failure during the steps lets go at the last point reached and carries it as "releasedAt".
void drag(InputState& state, Point from, Point to, const InputGuard& guard);

// Types `text` character by character (at most 4000 characters); failures after the length
// check carry "typed", the characters sent so far.
void type(InputState& state, const std::string& text, const InputGuard& guard);

// Presses and releases one key combination, modifiers sent as flags on the key's own events.
void press(InputState& state, const std::string& key, const std::vector<std::string>& modifiers,
           const InputGuard& guard);

} // namespace orvel::Input
