// One running application as the program sees it.
#pragma once

#include <cstdint>
#include <string>

namespace orvel {

struct AppTarget {
    std::int32_t pid = 0;
    std::string bundleId; // "" when the application has none
    std::string name;     // "" when it has none
    bool active = false;
    bool hidden = false;
    double launchedAt = 0; // whole seconds since 1970; 0 when unknown

    bool operator==(const AppTarget&) const = default;
};

} // namespace orvel
