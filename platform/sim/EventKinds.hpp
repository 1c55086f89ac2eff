// The names of the event kinds as scenarios and the event log spell them ("leftMouseDown",
// "keyDown", ...), and the families the kinds fall into. Pure functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace orvel::sim {

std::optional<std::uint32_t> eventTypeNamed(std::string_view name);
std::optional<std::string_view> eventKindName(std::uint32_t type);

bool isMouseButtonDown(std::uint32_t type);
bool isMouseButtonUp(std::uint32_t type);
bool isMouseDragged(std::uint32_t type);
// Every event that carries the pointer along: moves, drags, presses and releases.
bool movesPointer(std::uint32_t type);
bool isKeyboardEvent(std::uint32_t type);

// The mouse button a press, release or drag of this kind uses (0 left, 1 right, 2 other).
std::uint32_t buttonOfMouseEvent(std::uint32_t type);

} // namespace orvel::sim
