#include "platform/linux/x11/XlibHandlers.hpp"

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace orvel::linuxdesktop {

namespace {

int ignoreProtocolError(Display*, XErrorEvent*) {
    return 0;
}

int endOnLostConnection(Display*) {
    std::fputs("orvel-computer-control: the connection to the X server was lost\n", stderr);
    std::fflush(stderr);
    std::_Exit(1);
}

} // namespace

void prepareXlib() {
    static std::once_flag prepared;
    std::call_once(prepared, [] {
        XInitThreads();
        XSetErrorHandler(ignoreProtocolError);
        XSetIOErrorHandler(endOnLostConnection);
    });
}

} // namespace orvel::linuxdesktop
