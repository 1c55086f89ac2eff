#include "OrvelControlCore/LockState.hpp"

#include <cmath>

namespace orvel {

std::string LockState::label() const {
    switch (kind_) {
    case Kind::locked:
        return "locked";
    case Kind::unknown:
        return "unknown";
    case Kind::unlocked:
        break;
    }
    return "unlocked";
}

std::optional<std::string> LockState::reason() const {
    if (kind_ == Kind::unlocked) {
        return std::nullopt;
    }
    return reason_;
}

namespace LockPolicy {

namespace {

// The value under `key`, or under `alternative` only when `key` is absent: a malformed
// value under the first key is not rescued by the second.
const Json* valueWithFallback(const Json& session, const char* key, const char* alternative) {
    auto found = session.find(key);
    if (found != session.end()) {
        return &*found;
    }
    found = session.find(alternative);
    return found != session.end() ? &*found : nullptr;
}

} // namespace

std::optional<bool> flag(const Json* value) {
    if (value == nullptr) {
        return std::nullopt;
    }
    if (value->is_boolean()) {
        return value->get<bool>();
    }
    if (!value->is_number()) {
        return std::nullopt;
    }
    double number = value->get<double>();
    if (std::isfinite(number) && (number == 0 || number == 1)) {
        return number == 1;
    }
    return std::nullopt;
}

LockState interpret(const std::optional<Json>& session, std::optional<bool> notified) {
    if (!session || !session->is_object()) {
        return LockState::unknown("session_unavailable");
    }
    const Json* console = valueWithFallback(*session, onConsoleKey, onConsoleAltKey);
    if (console == nullptr) {
        return LockState::unknown("console_state_unreadable");
    }
    auto onConsole = flag(console);
    if (!onConsole) {
        return LockState::unknown("console_state_malformed");
    }
    if (!*onConsole) {
        return LockState::locked("session_not_on_console");
    }
    const Json* login = valueWithFallback(*session, loginDoneKey, loginDoneAltKey);
    if (login == nullptr) {
        return LockState::unknown("login_state_unreadable");
    }
    auto loginDone = flag(login);
    if (!loginDone) {
        return LockState::unknown("login_state_malformed");
    }
    if (!*loginDone) {
        return LockState::locked("login_not_done");
    }
    auto screenLocked = session->find(screenLockedKey);
    if (screenLocked != session->end()) {
        auto lockedFlag = flag(&*screenLocked);
        if (!lockedFlag) {
            return LockState::unknown("screen_lock_state_malformed");
        }
        if (*lockedFlag) {
            return LockState::locked("screen_locked");
        }
    }
    if (notified == true) {
        return LockState::locked("screen_locked_notification");
    }
    return LockState::unlocked();
}

} // namespace LockPolicy

} // namespace orvel
