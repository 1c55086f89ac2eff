// The fields of an "act" request that decide what input is sent, checked for their type before
// anything happens. Elsewhere a value of the wrong type reads as absent, but for these absence
// means other input than the caller asked for: a bare key for a malformed modifier list, a left
// click for a malformed button name, one click for a malformed count, a click without its
// approved element, or an action not bound to the session's window and app. Such a field,
// present and neither null nor of its type, is refused. Fields whose wrong type can only end in
// a refusal of their own, or that shape only the re-observation, keep the accessors' rule.
// Pure and thread-safe.
#pragma once

#include "OrvelControlCore/Json.hpp"

#include <string_view>

namespace orvel::ActionFields {

// Throws "invalid_request" naming the first malformed field of `request` and of its action
// object `action` of type `type`, under "field" in the details.
void check(const Json& request, const Json& action, std::string_view type);

} // namespace orvel::ActionFields
