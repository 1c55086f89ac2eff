#include "platform/linux/x11/ScreenStacking.hpp"

#include "platform/linux/x11/WindowList.hpp"

#include <map>

namespace orvel::linuxdesktop {

namespace {

std::vector<Window> rootChildrenFrontToBack(const X11Connection& x) {
    Window root = 0;
    Window parent = 0;
    Window* list = nullptr;
    unsigned int count = 0;
    if (XQueryTree(x.display(), x.root(), &root, &parent, &list, &count) == 0) {
        return {};
    }
    std::vector<Window> children(list, list + count);
    if (list != nullptr) {
        XFree(list);
    }
    return {children.rbegin(), children.rend()};
}

bool isOverrideRedirect(const X11Connection& x, Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(x.display(), window, &attributes) != 0 &&
           attributes.override_redirect && attributes.map_state == IsViewable &&
           attributes.c_class == InputOutput;
}

bool onScreen(const X11Connection& x, const Rect& frame) {
    const Screen* screen = DefaultScreenOfDisplay(x.display());
    return frame.maxX() > 0 && frame.maxY() > 0 && frame.minX() < WidthOfScreen(screen) &&
           frame.minY() < HeightOfScreen(screen) && frame.size.width > 0 && frame.size.height > 0;
}

std::optional<WindowFacts> popUpFacts(const X11Connection& x, Window window) {
    // Read as a window of its own: it has no frame, and is its own top-level window.
    auto facts = windowFacts(x, window, true);
    if (!facts || !facts->viewable || !onScreen(x, facts->frame)) {
        return std::nullopt;
    }
    if (facts->kind == WindowKind::normal) {
        facts->kind = WindowKind::menu;
    }
    return facts;
}

} // namespace

std::vector<WindowFacts> windowsOnScreen(const X11Connection& x) {
    std::map<unsigned long, WindowFacts> clientsByTopLevel;
    for (auto& window : applicationWindows(x, true)) {
        clientsByTopLevel.emplace(window.topLevel, std::move(window));
    }
    std::vector<WindowFacts> stacked;
    for (Window child : rootChildrenFrontToBack(x)) {
        auto client = clientsByTopLevel.find(child);
        if (client != clientsByTopLevel.end()) {
            stacked.push_back(std::move(client->second));
            clientsByTopLevel.erase(client);
        } else if (isOverrideRedirect(x, child)) {
            if (auto popUp = popUpFacts(x, child)) {
                stacked.push_back(std::move(*popUp));
            }
        }
    }
    return stacked;
}

} // namespace orvel::linuxdesktop
