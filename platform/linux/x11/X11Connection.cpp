#include "platform/linux/x11/X11Connection.hpp"

#include "platform/linux/x11/XlibHandlers.hpp"

namespace orvel::linuxdesktop {

std::unique_ptr<X11Connection> X11Connection::open(const std::string& displayName) {
    prepareXlib();
    Display* display = XOpenDisplay(displayName.c_str());
    if (display == nullptr) {
        return nullptr;
    }
    Atoms atoms;
    if (!atoms.intern(display)) {
        XCloseDisplay(display);
        return nullptr;
    }
    return std::unique_ptr<X11Connection>(new X11Connection(display, atoms));
}

X11Connection::X11Connection(Display* display, const Atoms& atoms)
    : display_(display), root_(DefaultRootWindow(display)), atoms_(atoms) {}

X11Connection::~X11Connection() {
    XCloseDisplay(display_);
}

} // namespace orvel::linuxdesktop
