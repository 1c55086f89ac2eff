// What a failed D-Bus call means to a caller of the accessibility service: the D-Bus error
// name (or the local errno when the call never got an answer) mapped to the status codes the
// program tells apart.
//
// Pure functions; safe from any thread.
#pragma once

#include <cstdint>
#include <string_view>

namespace orvel::linuxdesktop {

// The status for a D-Bus error reply: the object or its application gone answers
// invalidElement, no reply in time cannotComplete, an interface, method or property the
// object does not have attributeUnsupported, anything else the general failure (-25200).
std::int32_t statusOfErrorName(std::string_view errorName);

// The status for a call that failed locally with a negative errno (time-out, connection
// lost, message could not be built).
std::int32_t statusOfErrno(int negativeErrno);

// The general failure code: the application answered, but not with success.
inline constexpr std::int32_t generalFailure = -25200;
// An argument the service cannot pass on (a value that is not a number, for example).
inline constexpr std::int32_t illegalArgument = -25201;

} // namespace orvel::linuxdesktop
