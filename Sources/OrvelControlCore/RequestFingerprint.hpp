// The content fingerprint of a request, which tells a retry of the same request (same id, same
// content) from a different request that reuses an id: SHA-256 over the request without "id",
// written compactly with sorted keys and escaped "/", as 64 lowercase hexadecimal digits.
// Key order, white space and the spelling of numbers therefore do not matter: numbers count by
// the value they parse to (3, 3.0 and 3e0 are one value, -0.0 is 0, integers are exact to 64
// bits), and unequal values stay apart.
// Pure and thread-safe.
#pragma once

#include "OrvelControlCore/Json.hpp"

#include <string>

namespace orvel {

std::string requestFingerprint(const Json& request);

} // namespace orvel
