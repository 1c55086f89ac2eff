#include "OrvelControlCore/RequestFingerprint.hpp"

#include "OrvelControlCore/Hashing.hpp"

namespace orvel {

std::string requestFingerprint(const Json& request) {
    return sha256Hex(fingerprintTextWithout(request, "id"));
}

} // namespace orvel
