// The window server's list as the program receives it: one dictionary per window, front to
// back, keyed as the platform keys them, with each window's `raw` entries laid over it.
// Pure; the caller holds the desktop's lock.
#pragma once

#include "OrvelControlCore/Json.hpp"
#include "platform/sim/World.hpp"

#include <cstdint>

namespace orvel::sim {

// `options` as CGWindowListCopyWindowInfo takes them: with the on-screen-only bit, windows off
// screen are left out.
Json windowDictionaries(const World& world, std::uint32_t options);

} // namespace orvel::sim
