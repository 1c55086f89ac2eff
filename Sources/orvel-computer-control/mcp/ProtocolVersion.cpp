#include "mcp/ProtocolVersion.hpp"

namespace orvel::mcp {

ProtocolVersion negotiateVersion(std::string_view requested) {
    if (requested == "2025-06-18") {
        return ProtocolVersion::v2025_06_18;
    }
    if (requested == "2025-03-26") {
        return ProtocolVersion::v2025_03_26;
    }
    return ProtocolVersion::v2025_11_25;
}

std::string versionName(ProtocolVersion version) {
    switch (version) {
    case ProtocolVersion::v2025_03_26:
        return "2025-03-26";
    case ProtocolVersion::v2025_06_18:
        return "2025-06-18";
    case ProtocolVersion::v2025_11_25:
        break;
    }
    return "2025-11-25";
}

bool hasStructuredResults(ProtocolVersion version) {
    return version != ProtocolVersion::v2025_03_26;
}

} // namespace orvel::mcp
