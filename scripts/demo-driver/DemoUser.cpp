// "The person at the desktop" of the desktop demo: after a pause it moves the pointer a little,
// as a hand on the mouse would, through a connection of its own to the X server. The program
// counts another client's input as the person's and halts.
//
// Usage: orvel-demo-user <milliseconds before moving>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <thread>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: orvel-demo-user <milliseconds before moving>\n";
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::cerr << "orvel-demo-user: cannot open the display\n";
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[1])));
    for (int step = 0; step < 5; ++step) {
        XTestFakeRelativeMotionEvent(display, 6, 4, CurrentTime);
        XSync(display, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    XCloseDisplay(display);
    return 0;
}
