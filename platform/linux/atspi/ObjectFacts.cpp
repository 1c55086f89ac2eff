#include "platform/linux/atspi/ObjectFacts.hpp"

#include "platform/linux/atspi/AtspiProtocol.hpp"

#include <algorithm>

namespace orvel::linuxdesktop {

bool isNullRef(const ObjectRef& ref) {
    return ref.path == atspi::nullPath || ref.bus.empty();
}

bool ObjectFacts::has(const char* interface) const {
    return interfaces.ok() && std::find(interfaces.value.begin(), interfaces.value.end(),
                                        interface) != interfaces.value.end();
}

bool ObjectFacts::isTopLevel(const ObjectRef& self) const {
    return parent.ok() && parent.value.bus == self.bus && parent.value.path == atspi::rootPath &&
           self.path != atspi::rootPath;
}

bool ObjectFacts::isPassword() const {
    return role.ok() && role.value == atspi::role::passwordText;
}

bool ObjectFacts::isGone() const {
    if (hasState(atspi::state::defunct)) {
        return true;
    }
    return states.ok() && states.value.bits() == 0 && parent.ok() && isNullRef(parent.value) &&
           !(role.ok() && role.value == atspi::role::application);
}

} // namespace orvel::linuxdesktop
