#include "platform/sim/WindowDictionaries.hpp"

#include "platform/WindowServer.hpp"

namespace orvel::sim {

namespace {

Json dictionaryOf(const World& world, const LiveWindow& window) {
    Json dictionary{
        {"kCGWindowOwnerPID", window.pid},
        {"kCGWindowNumber", window.windowId},
        {"kCGWindowBounds",
         {{"X", window.frame.origin.x},
          {"Y", window.frame.origin.y},
          {"Width", window.frame.size.width},
          {"Height", window.frame.size.height}}},
        {"kCGWindowLayer", window.layer},
    };
    // Without Screen Recording the window server withholds every window's name.
    if (world.permissions.screenRecording) {
        dictionary["kCGWindowName"] = window.title;
    }
    if (world.isOnScreen(window)) {
        dictionary["kCGWindowIsOnscreen"] = true;
    }
    for (const auto& [key, value] : window.raw.items()) {
        if (value.is_null()) {
            dictionary.erase(key);
        } else {
            dictionary[key] = value;
        }
    }
    return dictionary;
}

} // namespace

Json windowDictionaries(const World& world, std::uint32_t options) {
    const bool onScreenOnly = (options & platform::windowlist::onScreenOnly) != 0;
    Json list = Json::array();
    for (const auto& window : world.windows()) {
        if (onScreenOnly && !world.isOnScreen(window)) {
            continue;
        }
        list.push_back(dictionaryOf(world, window));
    }
    return list;
}

} // namespace orvel::sim
