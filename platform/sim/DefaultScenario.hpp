// The built-in simulated desktop: the text of scenarios/default.json, compiled into the binary
// by the build so that the program needs no scenario file at run time. Immutable; safe to read
// from any thread.
#pragma once

#include <string_view>

namespace orvel::sim {

extern const std::string_view defaultScenarioText;

} // namespace orvel::sim
