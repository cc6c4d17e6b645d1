// Board view: the board on screen, the animated quarter turn, the cursor and the mouse mapping.
#include "boardview.h"

#include "display.h"
#include "screen.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kCursorSize = 64;   // one frame of the imgRotate strip
constexpr int kCursorFrames = 11; // 0,1,2,3,4,5,5,4,3,2,1
constexpr int kTurnSteps = 9;     // steps 0..9: step 9 is the new cell
constexpr double kUntried = 100.0;

// The board rectangle for a centre, on the grid of tiles[0].
struct Area {
    int left, top; // top-left corner on screen
    int w, h;      // tile size
    int right, bottom;
};

bool BoardArea(int cx, int cy, const Board* board, Area* area) {
    if (board == nullptr || tiles[0] == nullptr) return false;
    area->w = tiles[0]->w;
    area->h = tiles[0]->h;
    area->left = cx - (board->width * area->w) / 2;
    area->top = cy - (board->height * area->h) / 2;
    area->right = area->left + board->width * area->w;
    area->bottom = area->top + board->height * area->h;
    return true;
}

SDL_Rect MakeRect(int x, int y, int w, int h) {
    return {static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w),
            static_cast<Uint16>(h)};
}

// Where the tile now in cell (x, y) of the block at (bx, by) is drawn at this step. The board
// is already turned, so each tile travels from the cell it came from along one block edge.
void TurnPosition(const Area& a, int x, int y, int bx, int by, int direction, int step, int* px,
                  int* py) {
    const int dW = (step * a.w) / kTurnSteps;
    const int dH = (step * a.h) / kTurnSteps;
    const bool right = x != bx;
    const bool bottom = y != by;
    const int x0 = a.left + bx * a.w, x1 = x0 + a.w;
    const int y0 = a.top + by * a.h, y1 = y0 + a.h;
    if (direction == 0) {
        // Counter-clockwise: top row moves left, right column up, bottom row right, left down.
        if (!right && !bottom) {
            *px = x1 - dW, *py = y0;
        } else if (right && !bottom) {
            *px = x1, *py = y1 - dH;
        } else if (right && bottom) {
            *px = x0 + dW, *py = y1;
        } else {
            *px = x0, *py = y0 + dH;
        }
    } else {
        // Clockwise: top row moves right, right column down, bottom row left, left column up.
        if (!right && !bottom) {
            *px = x0, *py = y1 - dH;
        } else if (right && !bottom) {
            *px = x0 + dW, *py = y0;
        } else if (right && bottom) {
            *px = x1, *py = y0 + dH;
        } else {
            *px = x1 - dW, *py = y1;
        }
    }
}

} // namespace

void klmr_DrawBoard(uint16_t cx, uint16_t cy, const Board* board, uint8_t bx, uint8_t by,
                    uint8_t direction, int8_t step) {
    Area a;
    if (!BoardArea(cx, cy, board, &a)) return;
    // Column by column: during a turn the block's right column covers its left column.
    for (int x = 0; x < board->width; ++x) {
        for (int y = 0; y < board->height; ++y) {
            const uint8_t v = board->cells[x][y];
            if (v > kTileCount) {
                fputs("ERRRRRRRRRRRRRRRRRRrror\n", stdout);
                return;
            }
            if (v == 0) continue;
            int px = a.left + x * a.w;
            int py = a.top + y * a.h;
            if (step >= 0 && (x == bx || x == bx + 1) && (y == by || y == by + 1))
                TurnPosition(a, x, y, bx, by, direction, step, &px, &py);
            SDL_Rect at = MakeRect(px, py, 0, 0);
            SDL_BlitSurface(tiles[v - 1], nullptr, screen, &at);
        }
    }
}

void klmr_RestoreBoardArea(uint16_t cx, uint16_t cy, const Board* board) {
    Area a;
    if (!BoardArea(cx, cy, board, &a) || a.right == a.left || a.bottom == a.top) return;
    SDL_Rect area = MakeRect(a.left, a.top, a.right - a.left, a.bottom - a.top);
    SDL_Rect at = area;
    SDL_BlitSurface(backBuffer, &area, screen, &at);
}

void klmr_UpdateBoardArea(uint16_t cx, uint16_t cy, const Board* board) {
    Area a;
    // An empty rectangle is not passed on: the library reads a zero size as the whole screen.
    if (!BoardArea(cx, cy, board, &a) || a.right == a.left || a.bottom == a.top) return;
    klmr_DisplayUpdate(screen, a.left, a.top, a.right - a.left, a.bottom - a.top);
}

void klmr_DrawCursor(uint16_t cx, uint16_t cy, const Board* board, uint8_t bx, uint8_t by,
                     unsigned int n) {
    Area a;
    if (!BoardArea(cx, cy, board, &a)) return;
    const unsigned int m = (n / 3) % kCursorFrames;
    const int frame = m <= 5 ? static_cast<int>(m) : kCursorFrames - static_cast<int>(m);

    // The frame is cut to the board rectangle, the only area the play state restores and
    // refreshes each frame; with tiles smaller than 32 x 32 it would reach past it.
    const int x = a.left + bx * a.w;
    const int y = a.top + by * a.h;
    const int x0 = std::max(x, a.left), x1 = std::min(x + kCursorSize, a.right);
    const int y0 = std::max(y, a.top), y1 = std::min(y + kCursorSize, a.bottom);
    if (x1 <= x0 || y1 <= y0) return;
    SDL_Rect part = MakeRect(frame * kCursorSize + (x0 - x), y0 - y, x1 - x0, y1 - y0);
    SDL_Rect at = MakeRect(x0, y0, 0, 0);
    SDL_BlitSurface(imgRotate, &part, screen, &at);
}

bool klmr_BlockAtPoint(int px, int py, const Board* board, uint8_t* bx, uint8_t* by) {
    Area a;
    if (bx == nullptr || by == nullptr || !BoardArea(kPlayCenterX, kBoardCenterY, board, &a))
        return false;
    if (px < a.left || px >= a.right || py < a.top || py >= a.bottom) return false;
    const int rx = px - a.left;
    const int ry = py - a.top;
    const int c = rx / a.w;
    const int r = ry / a.h;
    *bx = static_cast<uint8_t>(c);
    *by = static_cast<uint8_t>(r);

    // Corners 0 top-left, 1 top-right, 2 bottom-right, 3 bottom-left of the cell, and the
    // block whose middle point each of them is.
    const int cornerX[4] = {c * a.w, (c + 1) * a.w, (c + 1) * a.w, c * a.w};
    const int cornerY[4] = {r * a.h, r * a.h, (r + 1) * a.h, (r + 1) * a.h};
    const int blockX[4] = {c - 1, c, c, c - 1};
    const int blockY[4] = {r - 1, r - 1, r, r};
    double dist[4];
    for (int k = 0; k < 4; ++k) {
        const int dx = rx - cornerX[k];
        const int dy = ry - cornerY[k];
        dist[k] = std::sqrt(static_cast<double>(dx * dx + dy * dy));
    }

    // Nearest untried corner first, the lower number on a tie. A try that finds every
    // distance at the marker reuses the previous pick (corner 0 on the first).
    int picked = 0;
    for (int tries = 0; tries < 4; ++tries) {
        double best = kUntried;
        for (int k = 0; k < 4; ++k) {
            if (dist[k] < best) {
                best = dist[k];
                picked = k;
            }
        }
        if (klmr_BlockValid(board, blockX[picked], blockY[picked])) {
            *bx = static_cast<uint8_t>(blockX[picked]);
            *by = static_cast<uint8_t>(blockY[picked]);
            return true;
        }
        dist[picked] = kUntried;
    }
    return false;
}
