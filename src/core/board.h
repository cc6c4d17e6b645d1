// The puzzle grid: up to 20 x 20 cells of tiles and holes, and the quarter turn of a 2x2 block.
//
// Coordinates: x is the column (0 at the left, growing right on screen), y the row (0 at the
// top, growing down). Storage is column-major: cell (x, y) is cells[x][y]. Value 0 is a hole,
// 1..16 a tile. Invariant: every cell outside width x height is 0.
//
// Directions: 1 turns a block clockwise as seen on screen, 0 counter-clockwise.
// Results: 0 or a non-negative value for success, -1 an invalid request, -2 a null pointer.
#pragma once

#include <cstdint>

inline constexpr int kBoardCells = 20;

struct Board {
    uint8_t cells[kBoardCells][kBoardCells]; // [x][y], column-major
    uint8_t width;
    uint8_t height;
};

// Number of cells inside the boards that differ; -2 for a null board or different sizes.
int klmr_BoardCompare(const Board* a, const Board* b);

// True when the block with top-left cell (x, y) lies inside the board and has no hole.
bool klmr_BlockValid(const Board* board, int x, int y);

// Turns the block at (x, y) a quarter: 0 done (also for a direction other than 0 and 1, which
// changes nothing), -1 block not valid (board unchanged), -2 null board.
int klmr_RotateBlock(Board* board, uint8_t x, uint8_t y, int8_t direction);

// One random scrambling turn, drawn with rand(): 1 turned clockwise, 0 counter-clockwise,
// -1 no turnable block with differing tiles found in 999 tries (nothing written), -2 a null
// pointer (nothing drawn). On success the block is stored through x and y.
int klmr_ScrambleStep(Board* board, uint8_t* x, uint8_t* y);

// Debugging aid: prints "[fdbg] ( v v ... )" column by column to standard output.
void klmr_BoardDump(const Board* board);
