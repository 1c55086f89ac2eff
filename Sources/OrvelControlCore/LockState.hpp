// Whether the screen is locked, read conservatively: the platform offers no interface that
// says so, so the login session's dictionary and the lock notifications are combined, and
// whatever cannot be read or understood counts as unknown, which is treated like locked.
// Pure value types and functions; thread-safe.
#pragma once

#include "OrvelControlCore/Json.hpp"

#include <optional>
#include <string>

namespace orvel {

class LockState {
  public:
    enum class Kind { locked, unknown, unlocked };

    static LockState locked(std::string reason) {
        return LockState(Kind::locked, std::move(reason));
    }
    static LockState unknown(std::string reason) {
        return LockState(Kind::unknown, std::move(reason));
    }
    static LockState unlocked() { return LockState(Kind::unlocked, ""); }

    Kind kind() const { return kind_; }
    bool permitsAction() const { return kind_ == Kind::unlocked; }
    std::string label() const;
    std::optional<std::string> reason() const;

    bool operator==(const LockState&) const = default;

  private:
    LockState(Kind kind, std::string reason) : kind_(kind), reason_(std::move(reason)) {}

    Kind kind_;
    std::string reason_;
};

namespace LockPolicy {

inline constexpr const char* onConsoleKey = "kCGSSessionOnConsoleKey";
inline constexpr const char* onConsoleAltKey = "kCGSessionOnConsoleKey";
inline constexpr const char* loginDoneKey = "kCGSessionLoginDoneKey";
inline constexpr const char* loginDoneAltKey = "kCGSSessionLoginDoneKey";
inline constexpr const char* screenLockedKey = "CGSSessionScreenIsLocked";
inline constexpr const char* limitation =
    "macOS har ingen offentlig API for skjermlås. Ukjent tilstand behandles som låst.";

// One session value as a flag: a boolean, or a number that is exactly 0 or 1; anything
// else (absent, strings, 2, 0.5, negative numbers) is no flag.
std::optional<bool> flag(const Json* value);

// The lock state of a session dictionary (absent: no session) and the last notification
// seen (true locked, false unlocked, absent none yet).
LockState interpret(const std::optional<Json>& session, std::optional<bool> notified);

} // namespace LockPolicy

} // namespace orvel
