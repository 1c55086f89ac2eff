// The output envelopes: success and failure responses, event lines, and the copy of a response
// without screenshot data that is kept as a receipt.
// Pure and thread-safe.
#pragma once

#include "OrvelControlCore/Failure.hpp"
#include "OrvelControlCore/Json.hpp"

#include <string>

namespace orvel {

// {"id", "ok": true, "result"}.
Json okResponse(const std::string& id, Json result);

// {"id", "ok": false, "error": {"code", "message"[, "details"]}}; the details go out only when
// they are a non-empty object that can be written as JSON, and are left out silently otherwise.
Json errorResponse(const std::string& id, const Failure& failure);

// A copy in which every "screenshot" object holding "data" has it replaced by "omitted": true.
Json withoutImageData(const Json& value);

// An unsolicited event line: the members of `fields` plus "event".
Json eventLine(const std::string& event, Json fields);

} // namespace orvel
