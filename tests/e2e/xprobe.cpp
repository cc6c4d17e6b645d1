// xprobe: what the end-to-end driver asks of the X server and of the puzzle.
//   xprobe look WIN X Y W H         a hash of a region of the window
//   xprobe count WIN X Y W H R G B  how many of its pixels are within 40 of that colour
//   xprobe shows WIN S TW TH V,...  level 1's board on the right shows the cells V (column by
//                                   column) as its picture on the left shows them, at scale S
//   xprobe close WIN                the close request of a window manager's close button
//   xprobe plan SEED                level 1 when rand() was seeded with SEED: the scrambled
//                                   cells, then per turn that undoes it the cells after it and
//                                   the keys that make it
#include "puzzle.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <map>
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

std::string Cells(const Board& b) {
    std::string s;
    for (int i = 0; i < b.width * b.height; ++i)
        s += (i ? "," : "") + std::to_string(b.cells[i / b.height][i % b.height]);
    return s;
}

// The middle 8 x 8 pixels of each cell, which the cursor leaves, of a 4 x 2 board centred on x.
std::vector<unsigned long> Middles(int x, int s, int tw, int th) {
    std::vector<unsigned long> m;
    for (int i = 0; i < 8; ++i)
        m.push_back(Hash(s * (x - 2 * tw + i / 2 * tw + tw / 2) - 4,
                         s * (266 - th + i % 2 * th + th / 2) - 4, 8, 8));
    return m;
}

int Shows(int s, int tw, int th, const char* cells) {
    Board picture{};
    klmr_BoardLoadLevel(&picture, 0);
    std::map<int, unsigned long> looks;
    const std::vector<unsigned long> left = Middles(150, s, tw, th),
                                     right = Middles(490, s, tw, th);
    for (int i = 0; i < 8; ++i)
        looks[picture.cells[i / 2][i % 2]] = left[i];
    if (looks.begin()->second == looks.rbegin()->second) return 1; // no picture, two tiles
    for (int i = 0; i < 8; ++i, cells += *cells ? 1 : 0)
        if (right[i] != looks[static_cast<int>(strtol(cells, const_cast<char**>(&cells), 10))])
            return 1;
    return 0;
}

// The game draws one number for its bouncing tile before the scramble. An arrow marks the
// block nearest the middle, then moves along level 1's one row of blocks.
int Plan(unsigned seed) {
    srand(seed);
    (void)rand();
    Puzzle puzzle{};
    klmr_PuzzleStart(&puzzle, 0);
    Board& board = puzzle.current;
    std::vector<std::vector<int>> turns;
    for (int i = 0; i < board.width * board.height; ++i) {
        uint8_t x = 0, y = 0;
        const int dir = klmr_ScrambleStep(&board, &x, &y);
        if (dir >= 0) turns.push_back({x, y, 1 - dir});
    }
    printf("%s\n", Cells(board).c_str());
    int cursor = -1;
    for (auto t = turns.rbegin(); t != turns.rend() && !klmr_PuzzleSolved(&puzzle); ++t) {
        klmr_RotateBlock(&board, uint8_t((*t)[0]), uint8_t((*t)[1]), int8_t((*t)[2]));
        printf("%s", Cells(board).c_str());
        if (cursor < 0) printf(" Left"), cursor = (board.width - 2) / 2;
        for (; cursor != (*t)[0]; cursor += cursor < (*t)[0] ? 1 : -1)
            printf(" %s", cursor < (*t)[0] ? "Right" : "Left");
        printf(" %s\n", (*t)[2] ? "period" : "comma");
    }
    return klmr_PuzzleSolved(&puzzle) ? 0 : 1;
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
    if (what == "plan" && argc == 3) return Plan(static_cast<unsigned>(atol(argv[2])));
    display = argc > 2 ? XOpenDisplay(nullptr) : nullptr;
    if (display == nullptr) return 2;
    XSetErrorHandler([](Display*, XErrorEvent*) -> int { exit(3); }); // a window that is gone
    window = strtoul(argv[2], nullptr, 0);
    if (what == "look" && n.size() == 4) printf("%lx\n", Hash(n[0], n[1], n[2], n[3]));
    if (what == "count" && n.size() == 7)
        printf("%lu\n", Hash(n[0], n[1], n[2], n[3], n[4], n[5], n[6]));
    if (what == "shows" && n.size() == 4) return Shows(n[0], n[1], n[2], argv[6]);
    if (what == "close") Close();
    return 0;
}
