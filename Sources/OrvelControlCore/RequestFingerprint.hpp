// The content fingerprint of a request, which tells a retry of the same request (same id, same
// content) from a different request that reuses an id: SHA-256 over the request without "id",
// written compactly with sorted keys and escaped "/", as 64 lowercase hexadecimal digits.
// Key order and white space of the original line therefore do not matter.
// Pure and thread-safe.
#pragma once

#include "OrvelControlCore/Json.hpp"

#include <string>

namespace orvel {

std::string requestFingerprint(const Json& request);

} // namespace orvel
