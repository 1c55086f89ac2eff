// The address of one accessible object on the accessibility bus: the unique bus name of the
// application's connection and the object's path. Two references denote the same object
// exactly when both parts are equal.
#pragma once

#include <string>

namespace orvel::linuxdesktop {

struct ObjectRef {
    std::string bus;
    std::string path;

    bool operator==(const ObjectRef&) const = default;
};

} // namespace orvel::linuxdesktop
