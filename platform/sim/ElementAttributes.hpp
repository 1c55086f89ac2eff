// What an accessibility element answers when one of its attributes is read, as a status and a
// JSON value in the simulator's value notation:
//
//   string, number, boolean   as themselves (booleans are the platform's boolean numbers)
//   {"x": .., "y": ..}        a point;  {"width": .., "height": ..}  a size
//   {"element": "id"}         an element of a window tree;  {"application": pid}  an app
//   array                     an array of such values; any other object: a value of another type
//
// Scenario `attributes` are written in the same notation. Pure functions over the world; the
// caller holds the desktop's lock.
#pragma once

#include "OrvelControlCore/Json.hpp"
#include "platform/sim/ElementTarget.hpp"
#include "platform/sim/World.hpp"

#include <cstdint>
#include <string>

namespace orvel::sim {

// kAXErrorNoValue: the attribute exists but has nothing to give (no focused window).
inline constexpr std::int32_t axNoValue = -25212;

struct AttributeAnswer {
    std::int32_t status = 0;
    Json value;
};

// Whether an element's scenario `errors` stand in for its values (as the program sees them) or
// not (as a test inspecting the desktop wants).
enum class ScriptedErrors { answered, ignored };

AttributeAnswer readAttribute(const World& world, const ElementTarget& target,
                              const std::string& attribute,
                              ScriptedErrors errors = ScriptedErrors::answered);

Json pointValue(Point point);
Json sizeValue(Size size);
Json elementValue(const std::string& id);
Json applicationValue(std::int32_t pid);

} // namespace orvel::sim
