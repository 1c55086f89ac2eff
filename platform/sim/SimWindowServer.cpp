#include "platform/sim/SimWindowServer.hpp"

#include "platform/sim/WindowDictionaries.hpp"

namespace orvel::sim {

std::optional<Json> SimWindowServer::copyWindowInfo(std::uint32_t options, std::uint32_t) {
    return core_.read(
        [options](const DesktopState& state) { return windowDictionaries(state.world, options); });
}

std::optional<Json> SimWindowServer::copyCurrentSessionDictionary() {
    return core_.read([](const DesktopState& state) { return state.world.session; });
}

} // namespace orvel::sim
