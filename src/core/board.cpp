// The puzzle grid's operations: compare, block test, quarter turn, scramble step, debug print.
#include "board.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Sizes beyond the grid break the Board invariant; every loop and block test is held to the
// grid as well, so that such a board is never read or written outside its 400 cells.
int Columns(const Board* b) {
    return b->width < kBoardCells ? b->width : kBoardCells;
}
int Rows(const Board* b) {
    return b->height < kBoardCells ? b->height : kBoardCells;
}

// The block at (x, y) lies inside the board (and the grid). Written as x < Columns - 1 so that
// no int, INT_MAX included, overflows on the way to the answer.
bool BlockInside(const Board* b, int x, int y) {
    return x >= 0 && y >= 0 && x < Columns(b) - 1 && y < Rows(b) - 1;
}

bool BlockHasHole(const Board* b, int x, int y) {
    return b->cells[x][y] == 0 || b->cells[x + 1][y] == 0 || b->cells[x + 1][y + 1] == 0 ||
           b->cells[x][y + 1] == 0;
}

bool BlockUniform(const Board* b, int x, int y) {
    const uint8_t v = b->cells[x][y];
    return b->cells[x + 1][y] == v && b->cells[x + 1][y + 1] == v && b->cells[x][y + 1] == v;
}

// Turns an inside block without a hole. Clockwise, each tile moves one corner on in the order
// top-left, top-right, bottom-right, bottom-left; counter-clockwise the other way round.
void Turn(Board* b, int x, int y, int8_t direction) {
    uint8_t& tl = b->cells[x][y];
    uint8_t& tr = b->cells[x + 1][y];
    uint8_t& br = b->cells[x + 1][y + 1];
    uint8_t& bl = b->cells[x][y + 1];
    const uint8_t oldTl = tl;
    if (direction == 1) {
        tl = bl;
        bl = br;
        br = tr;
        tr = oldTl;
    } else if (direction == 0) {
        tl = tr;
        tr = br;
        br = bl;
        bl = oldTl;
    }
}

} // namespace

int klmr_BoardCompare(const Board* a, const Board* b) {
    if (a == nullptr || b == nullptr) return -2;
    if (a->width != b->width || a->height != b->height) return -2;
    int differ = 0;
    for (int x = 0; x < Columns(a); ++x) {
        for (int y = 0; y < Rows(a); ++y) {
            if (a->cells[x][y] != b->cells[x][y]) ++differ;
        }
    }
    return differ;
}

bool klmr_BlockValid(const Board* board, int x, int y) {
    return board != nullptr && BlockInside(board, x, y) && !BlockHasHole(board, x, y);
}

int klmr_RotateBlock(Board* board, uint8_t x, uint8_t y, int8_t direction) {
    if (board == nullptr) return -2;
    if (!klmr_BlockValid(board, x, y)) return -1;
    Turn(board, x, y, direction);
    return 0;
}

int klmr_ScrambleStep(Board* board, uint8_t* x, uint8_t* y) {
    if (board == nullptr || x == nullptr || y == nullptr) return -2;
    // An empty board has no block, and a draw modulo 0 must not happen.
    if (board->width == 0 || board->height == 0) return -1;
    // The draws range over every column and row, including the last ones where no block fits:
    // the sequence of rand() calls is part of the game's behaviour and stays as it is.
    for (int tries = 0; tries < 999; ++tries) {
        const int cx = rand() % board->width;
        const int cy = rand() % board->height;
        if (!BlockInside(board, cx, cy) || BlockHasHole(board, cx, cy) ||
            BlockUniform(board, cx, cy)) {
            continue;
        }
        *x = static_cast<uint8_t>(cx);
        *y = static_cast<uint8_t>(cy);
        const int8_t direction = rand() % 2 == 0 ? 1 : 0;
        Turn(board, cx, cy, direction);
        return direction;
    }
    return -1;
}

void klmr_BoardDump(const Board* board) {
    printf("[fdbg] ");
    if (board == nullptr) {
        printf("NULL ptr to obj!\n");
        return;
    }
    printf("( ");
    for (int x = 0; x < Columns(board); ++x) {
        for (int y = 0; y < Rows(board); ++y)
            printf("%d ", static_cast<int8_t>(board->cells[x][y]));
    }
    printf(")\n");
}
