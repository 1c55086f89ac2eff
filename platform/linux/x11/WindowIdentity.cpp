#include "platform/linux/x11/WindowIdentity.hpp"

#include "platform/linux/x11/WindowProperties.hpp"

#include <X11/Xutil.h>

namespace orvel::linuxdesktop {

std::optional<std::string> windowApplicationIdentifier(const X11Connection& x, Window window) {
    if (auto id = readBytes(x.display(), window, x.atoms().gtkApplicationId, x.atoms().utf8String);
        id && !id->empty()) {
        return id;
    }
    XClassHint hint{nullptr, nullptr};
    if (XGetClassHint(x.display(), window, &hint) == 0) {
        return std::nullopt;
    }
    std::optional<std::string> identifier;
    if (hint.res_class != nullptr && *hint.res_class != '\0') {
        identifier = std::string(hint.res_class);
    }
    if (hint.res_name != nullptr) {
        XFree(hint.res_name);
    }
    if (hint.res_class != nullptr) {
        XFree(hint.res_class);
    }
    return identifier;
}

} // namespace orvel::linuxdesktop
