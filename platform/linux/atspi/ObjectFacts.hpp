// What the accessibility service needs to know about an object before it can answer for
// most of its attributes: its role, states, interfaces and parent, each as the bus answered.
// Read together in one round trip (or taken from the application's bulk read) and used for
// one request only.
#pragma once

#include "platform/linux/atspi/ObjectRef.hpp"
#include "platform/linux/atspi/ReplyReaders.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace orvel::linuxdesktop {

struct ObjectFacts {
    Answer<std::uint32_t> role{platform::ax::cannotComplete, 0};
    Answer<StateSet> states{platform::ax::cannotComplete, {}};
    Answer<std::vector<std::string>> interfaces{platform::ax::cannotComplete, {}};
    Answer<ObjectRef> parent{platform::ax::cannotComplete, {}};

    bool has(const char* interface) const;
    bool hasState(unsigned state) const { return states.ok() && states.value.has(state); }
    // A direct child of its application: a window of whatever role.
    bool isTopLevel(const ObjectRef& self) const;
    bool isPassword() const;
    // The object no longer stands for anything: it says it is defunct, or, as GTK leaves a
    // destroyed widget's object behind, it has neither parent nor any state at all.
    bool isGone() const;
};

// Whether a reference names no object (the protocol's null reference).
bool isNullRef(const ObjectRef& ref);

} // namespace orvel::linuxdesktop
