#include "platform/linux/atspi/BusError.hpp"

#include "platform/AccessibilityService.hpp"

#include <array>
#include <cerrno>

namespace orvel::linuxdesktop {

namespace {

using namespace std::string_view_literals;

// The GTK bridge answers an object path it no longer knows with UnknownObject; the bus
// answers a vanished application with ServiceUnknown or NameHasNoOwner.
constexpr std::array goneErrors{
    "org.freedesktop.DBus.Error.ServiceUnknown"sv,
    "org.freedesktop.DBus.Error.NameHasNoOwner"sv,
    "org.freedesktop.DBus.Error.UnknownObject"sv,
};
// sd-bus reports an asynchronous call that timed out as NoReply; the bus daemon says NoReply
// as well when the application dropped off without answering.
constexpr std::array noAnswerErrors{
    "org.freedesktop.DBus.Error.NoReply"sv,
    "org.freedesktop.DBus.Error.Timeout"sv,
    "org.freedesktop.DBus.Error.TimedOut"sv,
    "org.freedesktop.DBus.Error.Disconnected"sv,
};
constexpr std::array unsupportedErrors{
    "org.freedesktop.DBus.Error.UnknownMethod"sv,
    "org.freedesktop.DBus.Error.UnknownInterface"sv,
    "org.freedesktop.DBus.Error.UnknownProperty"sv,
};

template <std::size_t N>
bool contains(const std::array<std::string_view, N>& names, std::string_view name) {
    for (std::string_view candidate : names) {
        if (candidate == name) {
            return true;
        }
    }
    return false;
}

} // namespace

std::int32_t statusOfErrorName(std::string_view errorName) {
    if (contains(goneErrors, errorName)) {
        return platform::ax::invalidElement;
    }
    if (contains(noAnswerErrors, errorName)) {
        return platform::ax::cannotComplete;
    }
    if (contains(unsupportedErrors, errorName)) {
        return platform::ax::attributeUnsupported;
    }
    return generalFailure;
}

std::int32_t statusOfErrno(int negativeErrno) {
    switch (-negativeErrno) {
    case ENXIO:
    case ESRCH:
        return platform::ax::invalidElement;
    case EOPNOTSUPP:
        return platform::ax::attributeUnsupported;
    default:
        // Time-outs, a lost connection and messages that could not be sent all leave the
        // question unanswered.
        return platform::ax::cannotComplete;
    }
}

} // namespace orvel::linuxdesktop
