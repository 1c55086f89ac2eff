#include "OrvelControlCore/InputLedger.hpp"

#include "OrvelControlCore/Failures.hpp"

#include <algorithm>
#include <tuple>

namespace orvel {

InputLedger::InputLedger(Release release, WallClock clock)
    : release(std::move(release)), clock(std::move(clock)) {}

bool InputLedger::isStopped() const {
    std::lock_guard guard(lock);
    return stopped;
}

void InputLedger::checkRunning() const {
    if (isStopped()) {
        throw failures::inputStopped();
    }
}

bool InputLedger::press(HeldInput input, std::optional<Point> at, const Live& live,
                        const Post& post) {
    std::lock_guard guard(lock);
    if (stopped || !live()) {
        return false;
    }
    held[input] = clock();
    if (at) {
        pointer = at;
    }
    post();
    return true;
}

bool InputLedger::lift(HeldInput input, std::optional<Point> at, const Post& post) {
    std::lock_guard guard(lock);
    if (held.erase(input) == 0) {
        return false;
    }
    unreleased.erase(input);
    if (at) {
        pointer = at;
    }
    post();
    return true;
}

bool InputLedger::letGo(HeldInput input, std::optional<Point> at) {
    std::lock_guard guard(lock);
    if (!held.contains(input)) {
        return true;
    }
    if (at) {
        pointer = at;
    }
    return releaseOneLocked(input);
}

bool InputLedger::move(Point to, HeldInput holding, const Live& live, const Post& post) {
    std::lock_guard guard(lock);
    if (stopped || !live() || !held.contains(holding)) {
        return false;
    }
    pointer = to;
    post();
    return true;
}

bool InputLedger::emitTransient(std::optional<Point> at, const Live& live, const Post& post) {
    std::lock_guard guard(lock);
    if (stopped || !live()) {
        return false;
    }
    if (at) {
        pointer = at;
    }
    post();
    return true;
}

bool InputLedger::beginMutation(const Live& live) {
    std::lock_guard guard(lock);
    if (stopped || !live()) {
        return false;
    }
    ++mutations;
    return true;
}

void InputLedger::endMutation() {
    std::lock_guard guard(lock);
    mutations = std::max(mutations - 1, 0);
}

int InputLedger::mutationsInFlight() const {
    std::lock_guard guard(lock);
    return mutations;
}

void InputLedger::settleMutations() {
    std::lock_guard guard(mutationLock);
}

int InputLedger::stop() {
    std::lock_guard guard(lock);
    stopped = true;
    releaseLocked(heldLocked());
    return mutations;
}

void InputLedger::resume() {
    std::lock_guard guard(lock);
    stopped = false;
}

std::vector<HeldInput> InputLedger::releaseAll() {
    std::lock_guard guard(lock);
    return releaseLocked(heldLocked());
}

std::vector<HeldInput> InputLedger::releaseStale(double seconds) {
    std::lock_guard guard(lock);
    const TimePoint cutoff = clock() - secondsDuration(seconds);
    std::vector<HeldInput> stale;
    for (const auto& [input, pressedAt] : held) {
        if (pressedAt < cutoff || unreleased.contains(input)) {
            stale.push_back(input);
        }
    }
    return releaseLocked(stale);
}

std::vector<HeldInput> InputLedger::heldLocked() const {
    std::vector<HeldInput> inputs;
    inputs.reserve(held.size());
    for (const auto& entry : held) {
        inputs.push_back(entry.first);
    }
    return inputs;
}

std::vector<HeldInput> InputLedger::releaseLocked(std::vector<HeldInput> inputs) {
    // Ties in press time are broken by kind and code, so the order never depends on hashing.
    const auto order = [this](const HeldInput& input) {
        const auto found = held.find(input);
        const TimePoint pressedAt = found == held.end() ? TimePoint::min() : found->second;
        return std::make_tuple(pressedAt, input.kind, input.code);
    };
    std::sort(inputs.begin(), inputs.end(), [&](const HeldInput& left, const HeldInput& right) {
        return order(left) < order(right);
    });
    std::vector<HeldInput> released;
    for (const HeldInput& input : inputs) {
        if (releaseOneLocked(input)) {
            released.push_back(input);
        }
    }
    return released;
}

bool InputLedger::releaseOneLocked(HeldInput input) {
    if (!release(input, pointer)) {
        unreleased.insert(input);
        return false;
    }
    held.erase(input);
    unreleased.erase(input);
    return true;
}

Json InputLedger::snapshot() const {
    std::vector<std::uint32_t> keys;
    std::vector<std::uint32_t> buttons;
    {
        std::lock_guard guard(lock);
        for (const auto& entry : held) {
            (entry.first.kind == HeldInput::Kind::key ? keys : buttons).push_back(entry.first.code);
        }
    }
    std::sort(keys.begin(), keys.end());
    std::sort(buttons.begin(), buttons.end());
    return Json{{"keys", keys}, {"buttons", buttons}};
}

bool InputLedger::isHoldingAnything() const {
    std::lock_guard guard(lock);
    return !held.empty();
}

} // namespace orvel
