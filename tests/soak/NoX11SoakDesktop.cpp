// The soak's X11 desktop in a build without the Linux desktop: there is none.
#include "SoakDesktop.hpp"

namespace orvel::soak {

std::unique_ptr<SoakDesktop> x11Desktop(std::int32_t) {
    return nullptr;
}

} // namespace orvel::soak
