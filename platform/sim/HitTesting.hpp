// What lies under a screen point: the front-most on-screen window whose frame holds it, and
// the deepest element of that window's tree whose frame holds it. Frames hold their minimum
// edges, not their maximum ones; among overlapping siblings the later one, drawn on top, wins.
// Pure; the caller holds the desktop's lock.
#pragma once

#include "OrvelControlCore/Geometry.hpp"
#include "platform/sim/World.hpp"

#include <cstdint>
#include <optional>

namespace orvel::sim {

// Limited to the windows of `pid` when one is given.
const LiveWindow* windowAt(const World& world, Point point,
                           std::optional<std::int32_t> pid = std::nullopt);

// The window's root when no element below it holds the point; null for a window without a tree.
const LiveElement* deepestElementAt(const World& world, const LiveWindow& window, Point point);

} // namespace orvel::sim
