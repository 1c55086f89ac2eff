#include "platform/linux/x11/WindowList.hpp"

#include "platform/linux/x11/WindowProperties.hpp"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>

#include <algorithm>
#include <unistd.h>

namespace orvel::linuxdesktop {

namespace {

std::optional<std::vector<Window>> children(Display* display, Window window, Window* parent) {
    Window root = 0;
    Window* list = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, window, &root, parent, &list, &count) == 0) {
        return std::nullopt;
    }
    std::vector<Window> result(list, list + count);
    if (list != nullptr) {
        XFree(list);
    }
    return result;
}

std::int32_t pidFromServer(Display* display, Window window) {
    XResClientIdSpec spec{window, XRES_CLIENT_ID_PID_MASK};
    long count = 0;
    XResClientIdValue* values = nullptr;
    if (XResQueryClientIds(display, 1, &spec, &count, &values) != Success) {
        return 0;
    }
    std::int32_t pid = 0;
    for (long i = 0; i < count && pid <= 0; ++i) {
        pid = static_cast<std::int32_t>(XResGetClientPid(&values[i]));
    }
    XResClientIdsDestroy(count, values);
    return pid > 0 ? pid : 0;
}

// A window may say which machine its client runs on; a pid from another machine names some
// unrelated local process.
bool setOnThisMachine(Display* display, Window window) {
    auto machine = readBytes(display, window, XA_WM_CLIENT_MACHINE, XA_STRING);
    if (!machine) {
        return true;
    }
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0) {
        return false;
    }
    return *machine == host;
}

WindowKind kindOf(const Atoms& atoms, const std::vector<unsigned long>& types) {
    for (auto type : types) {
        if (type == atoms.typeNormal || type == atoms.typeDialog || type == atoms.typeSplash) {
            return WindowKind::normal;
        }
        if (type == atoms.typeUtility || type == atoms.typeToolbar) {
            return WindowKind::utility;
        }
        if (type == atoms.typeDesktop) {
            return WindowKind::desktop;
        }
        if (type == atoms.typeDock) {
            return WindowKind::dock;
        }
        if (type == atoms.typeMenu || type == atoms.typeDropdownMenu ||
            type == atoms.typePopupMenu || type == atoms.typeCombo) {
            return WindowKind::menu;
        }
        if (type == atoms.typeTooltip) {
            return WindowKind::tooltip;
        }
        if (type == atoms.typeNotification) {
            return WindowKind::notification;
        }
        if (type == atoms.typeDnd) {
            return WindowKind::dnd;
        }
    }
    return WindowKind::normal;
}

void readState(const X11Connection& x, Window client, WindowFacts& facts) {
    const auto& atoms = x.atoms();
    auto states = readLongs(x.display(), client, atoms.wmStateProperty, XA_ATOM);
    if (!states) {
        return;
    }
    for (auto state : *states) {
        facts.hidden = facts.hidden || state == atoms.stateHidden;
        facts.above = facts.above || state == atoms.stateAbove;
        facts.below = facts.below || state == atoms.stateBelow;
    }
}

std::string titleOf(const X11Connection& x, Window client) {
    if (auto name = readText(x.display(), client, x.atoms().wmName, x.atoms().utf8String)) {
        return *name;
    }
    return readText(x.display(), client, XA_WM_NAME, x.atoms().utf8String).value_or("");
}

Rect outerRect(const XWindowAttributes& attributes) {
    const double border = attributes.border_width;
    return Rect{{static_cast<double>(attributes.x), static_cast<double>(attributes.y)},
                {attributes.width + 2 * border, attributes.height + 2 * border}};
}

// The client's origin in root coordinates widened by the frame extents the manager announces;
// the top-level window's own rectangle when it announces none.
std::optional<Rect> frameOf(const X11Connection& x, Window client,
                            const XWindowAttributes& clientAttributes, Window topLevel) {
    auto extents = readLongs(x.display(), client, x.atoms().frameExtents, XA_CARDINAL);
    if (!extents || extents->size() != 4) {
        if (topLevel == client) {
            return outerRect(clientAttributes);
        }
        XWindowAttributes frame;
        if (XGetWindowAttributes(x.display(), topLevel, &frame) == 0) {
            return std::nullopt;
        }
        return outerRect(frame);
    }
    int originX = 0;
    int originY = 0;
    Window child = 0;
    if (XTranslateCoordinates(x.display(), client, x.root(), 0, 0, &originX, &originY, &child) ==
        0) {
        return std::nullopt;
    }
    const auto left = static_cast<double>((*extents)[0]);
    const auto right = static_cast<double>((*extents)[1]);
    const auto top = static_cast<double>((*extents)[2]);
    const auto bottom = static_cast<double>((*extents)[3]);
    return Rect{{originX - left, originY - top},
                {clientAttributes.width + left + right, clientAttributes.height + top + bottom}};
}

std::vector<Window> managedClients(const X11Connection& x) {
    auto stacking = readLongs(x.display(), x.root(), x.atoms().clientListStacking, XA_WINDOW);
    if (!stacking) {
        stacking = readLongs(x.display(), x.root(), x.atoms().clientList, XA_WINDOW);
    }
    std::vector<Window> clients;
    if (stacking) {
        clients.assign(stacking->rbegin(), stacking->rend());
    }
    return clients;
}

std::vector<Window> unmanagedTopLevels(const X11Connection& x) {
    Window parent = 0;
    auto list = children(x.display(), x.root(), &parent);
    std::vector<Window> windows;
    if (list) {
        windows.assign(list->rbegin(), list->rend());
    }
    return windows;
}

} // namespace

bool hasWindowManager(const X11Connection& x) {
    const auto& atoms = x.atoms();
    auto check = readLong(x.display(), x.root(), atoms.supportingWmCheck, XA_WINDOW);
    if (!check || *check == 0) {
        return false;
    }
    auto confirmed = readLong(x.display(), *check, atoms.supportingWmCheck, XA_WINDOW);
    return confirmed && *confirmed == *check;
}

std::optional<Window> topLevelOf(const X11Connection& x, Window window) {
    Window current = window;
    for (int depth = 0; depth < 64; ++depth) {
        Window parent = 0;
        if (!children(x.display(), current, &parent)) {
            return std::nullopt;
        }
        if (parent == x.root() || parent == 0) {
            return current;
        }
        current = parent;
    }
    return std::nullopt;
}

std::int32_t windowPid(const X11Connection& x, Window window) {
    if (auto pid = pidFromServer(x.display(), window); pid > 0) {
        return pid;
    }
    auto claimed = readLong(x.display(), window, x.atoms().wmPid, XA_CARDINAL);
    if (!claimed || *claimed == 0 || *claimed > 0x7fffffffUL ||
        !setOnThisMachine(x.display(), window)) {
        return 0;
    }
    return static_cast<std::int32_t>(*claimed);
}

std::optional<WindowFacts> windowFacts(const X11Connection& x, Window client, bool managed) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(x.display(), client, &attributes) == 0 ||
        attributes.c_class == InputOnly || (!managed && attributes.override_redirect)) {
        return std::nullopt;
    }
    auto topLevel = managed ? topLevelOf(x, client) : std::optional<Window>(client);
    if (!topLevel) {
        return std::nullopt;
    }
    auto frame = frameOf(x, client, attributes, *topLevel);
    if (!frame) {
        return std::nullopt;
    }
    WindowFacts facts;
    facts.windowId = static_cast<std::uint32_t>(client);
    facts.topLevel = *topLevel;
    facts.pid = windowPid(x, client);
    facts.frame = *frame;
    facts.title = titleOf(x, client);
    facts.viewable = attributes.map_state == IsViewable;
    if (auto types = readLongs(x.display(), client, x.atoms().windowType, XA_ATOM)) {
        facts.kind = kindOf(x.atoms(), *types);
    }
    readState(x, client, facts);
    return facts;
}

std::vector<WindowFacts> applicationWindows(const X11Connection& x, bool viewableOnly) {
    const bool managed = hasWindowManager(x);
    const auto candidates = managed ? managedClients(x) : unmanagedTopLevels(x);
    std::vector<WindowFacts> windows;
    windows.reserve(candidates.size());
    for (Window client : candidates) {
        auto facts = windowFacts(x, client, managed);
        // Without a manager nothing keeps unmapped windows for the user: they are helpers.
        if (!facts || ((viewableOnly || !managed) && !facts->viewable)) {
            continue;
        }
        windows.push_back(std::move(*facts));
    }
    return windows;
}

std::optional<Window> activeWindow(const X11Connection& x) {
    if (hasWindowManager(x)) {
        auto active = readLong(x.display(), x.root(), x.atoms().activeWindow, XA_WINDOW);
        if (!active || *active == 0) {
            return std::nullopt;
        }
        return static_cast<Window>(*active);
    }
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(x.display(), &focus, &revert);
    if (focus == None || focus == PointerRoot || focus == x.root()) {
        return std::nullopt;
    }
    return topLevelOf(x, focus);
}

} // namespace orvel::linuxdesktop
