// Login-session dictionaries as the window server could hand them over, with and without a lock
// notification seen, against the lock rules written out on their own: only a boolean or a
// number that is exactly 0 or 1 is a flag, the alternative key is tried only when the first is
// absent, and whatever cannot be read is unknown, which never permits an action.
#include "FuzzCheck.hpp"
#include "JsonNumbers.hpp"
#include "OrvelControlCore/Json.hpp"
#include "OrvelControlCore/LockState.hpp"

#include <cstdint>
#include <optional>
#include <string_view>

namespace {

using namespace orvel::fuzz;
using orvel::Json;
using orvel::LockState;

const Json* eitherKey(const Json& session, const char* key, const char* alternative) {
    const Json* value = member(session, key);
    return value != nullptr ? value : member(session, alternative);
}

LockState expectedState(const std::optional<Json>& session, std::optional<bool> notified) {
    namespace policy = orvel::LockPolicy;
    if (!session || !session->is_object()) {
        return LockState::unknown("session_unavailable");
    }
    const Json* console = eitherKey(*session, policy::onConsoleKey, policy::onConsoleAltKey);
    if (console == nullptr) {
        return LockState::unknown("console_state_unreadable");
    }
    if (!flagValue(console)) {
        return LockState::unknown("console_state_malformed");
    }
    if (!*flagValue(console)) {
        return LockState::locked("session_not_on_console");
    }
    const Json* login = eitherKey(*session, policy::loginDoneKey, policy::loginDoneAltKey);
    if (login == nullptr) {
        return LockState::unknown("login_state_unreadable");
    }
    if (!flagValue(login)) {
        return LockState::unknown("login_state_malformed");
    }
    if (!*flagValue(login)) {
        return LockState::locked("login_not_done");
    }
    const Json* screen = member(*session, policy::screenLockedKey);
    if (screen != nullptr && !flagValue(screen)) {
        return LockState::unknown("screen_lock_state_malformed");
    }
    if (screen != nullptr && *flagValue(screen)) {
        return LockState::locked("screen_locked");
    }
    if (notified == true) {
        return LockState::locked("screen_locked_notification");
    }
    return LockState::unlocked();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte says which notification was seen last: none, a lock or an unlock.
    const std::optional<bool> notified =
        data[0] % 3 == 0 ? std::nullopt : std::optional<bool>(data[0] % 3 == 1);
    auto document =
        orvel::parseJson(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    if (!document) {
        return 0;
    }
    // null stands for a session without a dictionary.
    std::optional<Json> session;
    if (!document->is_null()) {
        session = std::move(*document);
    }
    const LockState state = orvel::LockPolicy::interpret(session, notified);
    const LockState expected = expectedState(session, notified);
    require(state == expected, "the lock state follows the lock rules",
            state.label() + " " + state.reason().value_or("") + ", expected " + expected.label() +
                " " + expected.reason().value_or(""));
    require(state.permitsAction() == (state.kind() == LockState::Kind::unlocked),
            "only an unlocked screen permits an action");
    for (const char* key :
         {orvel::LockPolicy::onConsoleKey, orvel::LockPolicy::loginDoneKey,
          orvel::LockPolicy::loginDoneAltKey, orvel::LockPolicy::screenLockedKey}) {
        const Json* value = session ? member(*session, key) : nullptr;
        require(orvel::LockPolicy::flag(value) == flagValue(value),
                "a session value is a flag only when it is a boolean, 0 or 1");
    }
    return 0;
}
