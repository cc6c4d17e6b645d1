// xprobe: what the end-to-end driver asks of the X server and of the puzzle.
//   xprobe look WIN X Y W H            a hash of a region of the window
//   xprobe pixel WIN X Y               "r g b" of one pixel
//   xprobe count WIN X Y W H R G B     how many pixels of the region are within 40 of that colour
//   xprobe cells WIN L T TW TH C R     one hash per cell of a board drawn at (L, T) with TW x TH
//                                      tiles, C columns by R rows, column by column; each of the
//                                      middle 8 x 8 pixels of its tile, which the cursor leaves
//   xprobe close WIN                   the close request of a window manager's close button
//   xprobe plan SEED TW TH mouse|keys  level 1 when rand() was seeded with SEED: its picture, its
//                                      scrambled board, then the turns that undo the scramble,
//                                      "bx by dir" and the input that makes each
#include "puzzle.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

Display* display = nullptr;
Window window = 0;

unsigned long Hash(int x, int y, int w, int h) {
    XImage* image = XGetImage(display, window, x, y, w, h, AllPlanes, ZPixmap);
    unsigned long hash = 1469598103934665603ul;
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            hash = (hash ^ XGetPixel(image, i, j)) * 1099511628211ul;
    XDestroyImage(image);
    return hash;
}

// The clicks (button 1 counter-clockwise, 3 clockwise, at the corner the block's four tiles
// share) or keys (an arrow marks the block nearest the middle, then moves along the row) that
// undo the scramble. The game draws one number for its bouncing tile before the scramble.
int Plan(unsigned seed, int tw, int th, bool keys) {
    srand(seed);
    (void)rand();
    Puzzle puzzle{};
    klmr_PuzzleStart(&puzzle, 0);
    Board& board = puzzle.current;
    struct Turn {
        uint8_t x, y;
        int dir;
    };
    std::vector<Turn> turns;
    for (int i = 0; i < board.width * board.height; ++i) {
        Turn t{};
        t.dir = klmr_ScrambleStep(&board, &t.x, &t.y);
        if (t.dir >= 0) turns.push_back(t);
    }
    for (const Board* b : {&puzzle.target, &board}) { // a line each, column by column
        for (int i = 0; i < b->width * b->height; ++i)
            printf(i ? " %d" : "%d", b->cells[i / b->height][i % b->height]);
        printf("\n");
    }
    const int left = 490 - board.width * tw / 2, top = 266 - board.height * th / 2;
    int cursor = -1; // level 1 is one row of blocks
    for (auto it = turns.rbegin(); it != turns.rend() && !klmr_PuzzleSolved(&puzzle); ++it) {
        const int undo = 1 - it->dir;
        klmr_RotateBlock(&board, it->x, it->y, static_cast<int8_t>(undo));
        printf("%d %d %d ", it->x, it->y, undo);
        if (!keys) {
            printf("%d %d %d\n", left + (it->x + 1) * tw, top + (it->y + 1) * th, undo ? 3 : 1);
            continue;
        }
        if (cursor < 0) printf("Left "), cursor = (board.width - 2) / 2;
        for (; cursor != it->x; cursor += cursor < it->x ? 1 : -1)
            printf("%s ", cursor < it->x ? "Right" : "Left");
        printf("%s\n", undo ? "period" : "comma");
    }
    return klmr_PuzzleSolved(&puzzle) ? 0 : 1;
}

// ICCCM's WM_DELETE_WINDOW, as a window manager sends it; fails for a window that does not
// take it, since a window manager would kill such a client instead.
int Close() {
    const Atom del = XInternAtom(display, "WM_DELETE_WINDOW", False);
    Atom* listed = nullptr;
    int count = 0;
    bool takes = false;
    if (XGetWMProtocols(display, window, &listed, &count) != 0) {
        for (int i = 0; i < count; ++i)
            takes = takes || listed[i] == del;
        XFree(listed);
    }
    if (!takes) return 1;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(del);
    XSendEvent(display, window, False, NoEventMask, &e);
    XSync(display, False);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    std::vector<int> n;
    for (int i = 3; i < argc; ++i)
        n.push_back(atoi(argv[i]));
    if (what == "plan" && argc == 6)
        return Plan(static_cast<unsigned>(strtoul(argv[2], nullptr, 10)), n[0], n[1],
                    strcmp(argv[5], "keys") == 0);
    display = argc > 2 ? XOpenDisplay(nullptr) : nullptr;
    if (display == nullptr) return 2;
    XSetErrorHandler([](Display*, XErrorEvent*) -> int { exit(3); }); // a window that is gone
    window = strtoul(argv[2], nullptr, 0);
    if (what == "look" && n.size() == 4) {
        printf("%lx\n", Hash(n[0], n[1], n[2], n[3]));
    } else if ((what == "pixel" && n.size() == 2) || (what == "count" && n.size() == 7)) {
        const int w = what == "pixel" ? 1 : n[2], h = what == "pixel" ? 1 : n[3];
        XImage* image = XGetImage(display, window, n[0], n[1], w, h, AllPlanes, ZPixmap);
        int count = 0;
        for (int i = 0; i < w * h; ++i) {
            const unsigned long p = XGetPixel(image, i % w, i / w);
            const int rgb[3] = {int((p & image->red_mask) >> 16), int((p & image->green_mask) >> 8),
                                int(p & image->blue_mask)};
            if (w * h == 1) printf("%d %d %d\n", rgb[0], rgb[1], rgb[2]);
            count +=
                abs(rgb[0] - n[4]) <= 40 && abs(rgb[1] - n[5]) <= 40 && abs(rgb[2] - n[6]) <= 40;
        }
        if (what == "count") printf("%d\n", count);
        XDestroyImage(image);
    } else if (what == "cells" && n.size() == 6) {
        for (int i = 0; i < n[4] * n[5]; ++i)
            printf(i ? " %lx" : "%lx", Hash(n[0] + i / n[5] * n[2] + n[2] / 2 - 4,
                                            n[1] + i % n[5] * n[3] + n[3] / 2 - 4, 8, 8));
        printf("\n");
    } else if (what == "close") {
        return Close();
    } else {
        fprintf(stderr, "usage: see the top of tests/e2e/xprobe.cpp\n");
        return 2;
    }
    return 0;
}
