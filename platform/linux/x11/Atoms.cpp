#include "platform/linux/x11/Atoms.hpp"

#include <array>
#include <utility>

namespace orvel::linuxdesktop {

bool Atoms::intern(Display* display) {
    std::array<std::pair<const char*, Atom*>, 28> names{{
        {"UTF8_STRING", &utf8String},
        {"_NET_SUPPORTING_WM_CHECK", &supportingWmCheck},
        {"_NET_CLIENT_LIST", &clientList},
        {"_NET_CLIENT_LIST_STACKING", &clientListStacking},
        {"_NET_ACTIVE_WINDOW", &activeWindow},
        {"_NET_WM_PID", &wmPid},
        {"_NET_FRAME_EXTENTS", &frameExtents},
        {"_NET_WM_NAME", &wmName},
        {"_GTK_APPLICATION_ID", &gtkApplicationId},
        {"_NET_WM_WINDOW_TYPE", &windowType},
        {"_NET_WM_WINDOW_TYPE_DESKTOP", &typeDesktop},
        {"_NET_WM_WINDOW_TYPE_DOCK", &typeDock},
        {"_NET_WM_WINDOW_TYPE_TOOLBAR", &typeToolbar},
        {"_NET_WM_WINDOW_TYPE_MENU", &typeMenu},
        {"_NET_WM_WINDOW_TYPE_UTILITY", &typeUtility},
        {"_NET_WM_WINDOW_TYPE_SPLASH", &typeSplash},
        {"_NET_WM_WINDOW_TYPE_DIALOG", &typeDialog},
        {"_NET_WM_WINDOW_TYPE_DROPDOWN_MENU", &typeDropdownMenu},
        {"_NET_WM_WINDOW_TYPE_POPUP_MENU", &typePopupMenu},
        {"_NET_WM_WINDOW_TYPE_TOOLTIP", &typeTooltip},
        {"_NET_WM_WINDOW_TYPE_NOTIFICATION", &typeNotification},
        {"_NET_WM_WINDOW_TYPE_COMBO", &typeCombo},
        {"_NET_WM_WINDOW_TYPE_DND", &typeDnd},
        {"_NET_WM_WINDOW_TYPE_NORMAL", &typeNormal},
        {"_NET_WM_STATE", &wmStateProperty},
        {"_NET_WM_STATE_HIDDEN", &stateHidden},
        {"_NET_WM_STATE_ABOVE", &stateAbove},
        {"_NET_WM_STATE_BELOW", &stateBelow},
    }};
    std::array<char*, names.size()> text{};
    std::array<Atom, names.size()> atoms{};
    for (std::size_t i = 0; i < names.size(); ++i) {
        text[i] = const_cast<char*>(names[i].first);
    }
    if (XInternAtoms(display, text.data(), static_cast<int>(text.size()), False, atoms.data()) ==
        0) {
        return false;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        *names[i].second = atoms[i];
    }
    return true;
}

} // namespace orvel::linuxdesktop
