// A stored observation of one window: what actions run against. Built by one traversal and
// never changed afterwards; shared by the engine (as its current observation) and the
// action that uses it, so it may be read from any thread.
#pragma once

#include "ObservedNode.hpp"
#include "OrvelControlCore/Geometry.hpp"
#include "platform/ElementHandle.hpp"

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace orvel {

class Accessibility;

struct ObservationRecord {
    std::string id;
    std::chrono::system_clock::time_point createdAt;
    std::int32_t pid = 0;
    std::string bundleId;
    std::uint32_t windowId = 0;
    Rect windowFrame; // the accessibility window's own position and size
    std::string windowTitle;
    platform::ElementHandle axWindow;
    std::map<std::string, ObservedNode> nodes;
    std::vector<std::string> order;
    std::string digest;
    bool truncatedTree = false;

    // The node whose element is the given element or one of its first `maxAncestors`
    // ancestors; null when none is.
    const ObservedNode* node(Accessibility& accessibility, const platform::ElementHandle& element,
                             int maxAncestors) const;
};

} // namespace orvel
