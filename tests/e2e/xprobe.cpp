// xprobe: what the end-to-end driver asks of the X server.
//   xprobe look WIN X Y W H         a hash of a region of the window
//   xprobe count WIN X Y W H R G B  how many of its pixels are within 40 of that colour
//   xprobe close WIN                the close request of a window manager's close button
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

Display* display = nullptr;
Window window = 0;

// A pixel's component under mask, as 0..255 at any depth of the X server.
int Component(unsigned long p, unsigned long mask) {
    if (mask == 0) return 0;
    const int shift = __builtin_ctzl(mask);
    return int(((p & mask) >> shift) * 255 / (mask >> shift));
}

unsigned long Hash(int x, int y, int w, int h, int r = -1, int g = 0, int b = 0) {
    XImage* image = XGetImage(display, window, x, y, w, h, AllPlanes, ZPixmap);
    unsigned long hash = 1469598103934665603ul, count = 0;
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) {
            const unsigned long p = XGetPixel(image, i, j);
            hash = (hash ^ p) * 1099511628211ul;
            count += abs(Component(p, image->red_mask) - r) <= 40 &&
                     abs(Component(p, image->green_mask) - g) <= 40 &&
                     abs(Component(p, image->blue_mask) - b) <= 40;
        }
    }
    XDestroyImage(image);
    return r < 0 ? hash : count;
}

// What a window manager sends when its close button is pressed.
void Close() {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    XSendEvent(display, window, False, NoEventMask, &e);
    XSync(display, False);
}

} // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 2 ? argv[1] : "";
    std::vector<int> n;
    for (int i = 3; i < argc; ++i)
        n.push_back(atoi(argv[i]));
    display = argc > 2 ? XOpenDisplay(nullptr) : nullptr;
    if (display == nullptr) return 2;
    XSetErrorHandler([](Display*, XErrorEvent*) -> int { exit(3); }); // a window that is gone
    window = strtoul(argv[2], nullptr, 0);
    if (what == "look" && n.size() == 4) printf("%lx\n", Hash(n[0], n[1], n[2], n[3]));
    if (what == "count" && n.size() == 7)
        printf("%lu\n", Hash(n[0], n[1], n[2], n[3], n[4], n[5], n[6]));
    if (what == "close") Close();
    return 0;
}
