// The book of everything the program holds down on the user's machine: which keys and mouse
// buttons are pressed and since when, where the pointer was last put, whether control is
// stopped, and how many accessibility mutations are running. Booking an input and posting its
// event happen under one lock, so whatever was pressed can always be let go of at once, from any
// thread, and once stop() has returned no further input is posted until resume(). An input
// whose release could not be posted stays in the book, and every later stop, releaseAll and
// releaseStale (whatever its age) tries again until the release is posted.
//
// Threading: two mutexes, always taken in the order `mutationLock` then `lock`. `lock` is taken
// by every operation, and the `live`, `post`, `release` and `clock` callables run while it is
// held: they must be short and must not call back into the ledger. `mutationLock` is held for
// the whole run of one mutation, whose body runs without `lock` and may call the ledger.
#pragma once

#include "OrvelControlCore/Clock.hpp"
#include "OrvelControlCore/Geometry.hpp"
#include "OrvelControlCore/Json.hpp"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace orvel {

// A key (virtual key code) or mouse button (0 left, 1 right, 2 middle, ...) held down. A key and
// a button with the same number are different inputs.
struct HeldInput {
    enum class Kind { key, button };

    Kind kind = Kind::key;
    std::uint32_t code = 0;

    static HeldInput key(std::uint16_t code) { return {Kind::key, code}; }
    static HeldInput button(std::uint32_t number) { return {Kind::button, number}; }

    bool operator==(const HeldInput&) const = default;
};

} // namespace orvel

template <> struct std::hash<orvel::HeldInput> {
    std::size_t operator()(const orvel::HeldInput& input) const noexcept {
        const std::uint64_t kindBit = input.kind == orvel::HeldInput::Kind::button ? 1 : 0;
        return std::hash<std::uint64_t>{}((kindBit << 32) | input.code);
    }
};

namespace orvel {

class InputLedger {
  public:
    // Posts the event that lets go of one input, at the last booked pointer position if any;
    // false when the event could not be made or posted.
    using Release = std::function<bool(HeldInput, std::optional<Point>)>;
    // Whether the request may still post events.
    using Live = std::function<bool()>;
    // Posts one event.
    using Post = std::function<void()>;

    explicit InputLedger(Release release, WallClock clock = systemNow);

    bool isStopped() const;
    // Throws the stopped Failure while control is stopped.
    void checkRunning() const;

    // Books `input` as held and posts its down event; false, with nothing booked or posted, when
    // stopped or not live.
    bool press(HeldInput input, std::optional<Point> at, const Live& live, const Post& post);
    // Posts the up event of a held input and unbooks it; false, posting nothing, when the input
    // is not held (a stop or the watchdog already released it). Always allowed, even stopped.
    bool lift(HeldInput input, std::optional<Point> at, const Post& post);
    // Lets go of a held input through the release function, at `at` when given, for a caller
    // that could not make its own up event. False only when the input is still held afterwards:
    // its release could not be posted and is tried again by every later release.
    bool letGo(HeldInput input, std::optional<Point> at);
    // Posts a pointer movement of a drag; false when stopped, not live or `holding` is not held.
    bool move(Point to, HeldInput holding, const Live& live, const Post& post);
    // Posts an event that holds nothing; false when stopped or not live.
    bool emitTransient(std::optional<Point> at, const Live& live, const Post& post);

    // Runs `body` as one accessibility mutation, one at a time, unless stopped or not live (then
    // nothing). The counter is restored whether the body returns or throws; a throw propagates.
    template <class Body>
    auto runMutation(const Live& live, Body&& body) -> std::optional<std::invoke_result_t<Body&>> {
        std::lock_guard mutationGuard(mutationLock);
        if (!beginMutation(live)) {
            return std::nullopt;
        }
        const MutationEnd end{*this};
        return std::invoke(body);
    }

    int mutationsInFlight() const;
    // Returns once no mutation is running.
    void settleMutations();

    // Stops control and releases everything held; returns the mutations running at that moment.
    int stop();
    // Lifts the stop; presses nothing again.
    void resume();
    // Releases everything held without stopping; returns what was released.
    std::vector<HeldInput> releaseAll();
    // Releases what has been held for strictly longer than `seconds`, and what an earlier release
    // could not let go of; returns what was released.
    std::vector<HeldInput> releaseStale(double seconds);

    // {"keys": [codes ascending], "buttons": [numbers ascending]}.
    Json snapshot() const;
    bool isHoldingAnything() const;

  private:
    using TimePoint = std::chrono::system_clock::time_point;

    struct MutationEnd {
        InputLedger& ledger;
        ~MutationEnd() { ledger.endMutation(); }
    };

    bool beginMutation(const Live& live);
    void endMutation();
    // With `lock` held: posts the releases of `inputs`, earliest press first, and unbooks those
    // that were posted; returns them. The others stay booked and are remembered as unreleased.
    std::vector<HeldInput> releaseLocked(std::vector<HeldInput> inputs);
    // With `lock` held: one release through the release function.
    bool releaseOneLocked(HeldInput input);
    std::vector<HeldInput> heldLocked() const;

    const Release release;
    const WallClock clock;

    std::mutex mutationLock; // held for the whole run of one mutation; taken before `lock`
    mutable std::mutex lock;
    // Guarded by `lock`.
    std::unordered_map<HeldInput, TimePoint> held;
    std::unordered_set<HeldInput> unreleased; // held inputs whose release could not be posted
    std::optional<Point> pointer;
    bool stopped = false;
    int mutations = 0;
};

} // namespace orvel
