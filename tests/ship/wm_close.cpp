// ship_wm_close <window id>: asks an X window to close as a window manager's close button does,
// with the ICCCM's WM_DELETE_WINDOW message. Fails when the window does not take that message,
// since a window manager would then kill its client instead.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    Display* display = argc == 2 ? XOpenDisplay(nullptr) : nullptr;
    if (display == nullptr) {
        std::fprintf(stderr, "usage: ship_wm_close <window id>, with a DISPLAY\n");
        return 2;
    }
    const Window window = std::strtoul(argv[1], nullptr, 0);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    Atom* listed = nullptr;
    int count = 0;
    bool takesDelete = false;
    if (XGetWMProtocols(display, window, &listed, &count) != 0) {
        for (int i = 0; i < count; ++i)
            takesDelete = takesDelete || listed[i] == deleteWindow;
        XFree(listed);
    }
    if (takesDelete) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(deleteWindow);
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, window, False, NoEventMask, &event);
        XSync(display, False);
    } else {
        std::fprintf(stderr, "ship_wm_close: window %s does not take WM_DELETE_WINDOW\n", argv[1]);
    }
    XCloseDisplay(display);
    return takesDelete ? 0 : 1;
}
