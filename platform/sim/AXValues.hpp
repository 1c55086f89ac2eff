// The simulator's attribute values (see ElementAttributes.hpp) as the platform's tagged
// accessibility values: element references become handles that inherit the messaging time-out
// of the handle they were read through. Pure; the caller holds the desktop's lock, since
// element ids are looked up in the world.
#pragma once

#include "OrvelControlCore/Json.hpp"
#include "platform/ElementHandle.hpp"
#include "platform/sim/ElementRef.hpp"
#include "platform/sim/World.hpp"

#include <memory>

namespace orvel::sim {

struct HandleMaker {
    std::shared_ptr<const void> desktop;
    const ElementRef* readThrough = nullptr;

    platform::ElementHandle operator()(const ElementTarget& target) const {
        return makeHandle(desktop, target, readThrough);
    }
};

platform::AXValue toAXValue(const World& world, const Json& value, const HandleMaker& makeHandle);

} // namespace orvel::sim
