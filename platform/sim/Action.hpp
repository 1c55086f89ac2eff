// The changes a scenario can make to the simulated desktop: the effects elements run when they
// are pressed or set, and the extra steps a script can take. Plain values, read by the action
// runner; an `AddElement` shares its immutable element description.
#pragma once

#include "OrvelControlCore/Json.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace orvel::sim {

struct ElementModel;

struct SetAttribute {
    std::string element;
    std::string attribute; // "frame" sets the element's frame
    Json value;
};
struct RemoveElement {
    std::string element;
};
struct AddElement {
    std::string parent;
    std::shared_ptr<const ElementModel> element;
};
struct FocusElement {
    std::string element;
};
struct CloseWindow {
    std::uint32_t windowId = 0;
};
struct MoveWindow {
    std::uint32_t windowId = 0;
    double dx = 0;
    double dy = 0;
};
struct ShowWindow {
    std::uint32_t windowId = 0;
    bool onScreen = true;
};
struct SetSecureInput {
    bool enabled = false;
};
struct BringToFront {
    std::int32_t pid = 0;
};
struct UserInput {
    std::uint32_t type = 0;
};
struct LockNotice {
    bool locked = false;
};
struct ReplaceSession {
    std::optional<Json> session;
};
struct DisableTap {
    bool byTimeout = true; // otherwise by user input
};
struct SetPermissions {
    std::optional<bool> accessibility;
    std::optional<bool> screenRecording;
    std::optional<bool> inputMonitoring;
};
struct QuitApp {
    std::int32_t pid = 0;
};

using Action = std::variant<SetAttribute, RemoveElement, AddElement, FocusElement, CloseWindow,
                            MoveWindow, ShowWindow, SetSecureInput, BringToFront, UserInput,
                            LockNotice, ReplaceSession, DisableTap, SetPermissions, QuitApp>;

} // namespace orvel::sim
