// The failures raised by the request machinery itself (framing, admission, work checks and
// deadlines), with their codes and Norwegian messages. Each function builds a fresh value.
// Pure and thread-safe.
#pragma once

#include "OrvelControlCore/Failure.hpp"

#include <string_view>

namespace orvel::failures {

// Control is halted; work checked while halted stops with this.
Failure stopped();
// The input ledger refuses to create events while control is stopped.
Failure inputStopped();
// The request was cancelled or superseded by a halt or resume.
Failure cancelled();
// A deadline passed.
Failure timeout();
// A request line over the byte limit.
Failure tooLarge();
// A line that is not a JSON object.
Failure invalidJson();
// A missing, empty or over-long id.
Failure invalidId();
// An unknown operation; the name is cut to 40 characters.
Failure unknownOperation(std::string_view operation);
// An unknown permission name.
Failure unknownPermission();
// A missing or invalid pid.
Failure missingPid();
// The id is in flight with the same content.
Failure duplicateRequest();
// The id was used for different content.
Failure requestConflict();
// Too many requests in flight; details carry the queue limit.
Failure busy();
// Any error that is not a Failure; `description` is the error's own text. Bytes that are not
// valid UTF-8 are replaced, so that the failure can always be written as JSON.
Failure uncertain(std::string_view description);

} // namespace orvel::failures
