#include "platform/linux/session/LockReadings.hpp"

#include "OrvelControlCore/LockState.hpp"

namespace orvel::linuxdesktop {

namespace {

Json dictionary(bool onConsole, bool locked) {
    return Json{
        {LockPolicy::onConsoleKey, onConsole},
        {LockPolicy::loginDoneKey, true},
        {LockPolicy::screenLockedKey, locked},
    };
}

} // namespace

std::optional<Json> sessionDictionary(const LockReadings& readings, platform::LockSource source) {
    const bool locked =
        readings.session == SourceState::locked || readings.screensaver == SourceState::locked;
    const bool onConsole = readings.sessionActive.value_or(true);
    if (source == platform::LockSource::declaredAbsent) {
        return dictionary(onConsole, locked);
    }
    const auto failed = [](SourceState state) {
        return state == SourceState::failed;
    };
    if (failed(readings.session) || failed(readings.screensaver)) {
        return std::nullopt;
    }
    if (readings.session == SourceState::absent && readings.screensaver == SourceState::absent) {
        return std::nullopt;
    }
    return dictionary(onConsole, locked);
}

} // namespace orvel::linuxdesktop
