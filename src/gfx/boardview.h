// Board view: draws a Board centred on a point, animates the quarter turn of a block over ten
// steps, draws the pulsing cursor, and maps the mouse to the block the player means.
//
// The tile grid is the size W x H of tiles[0]. A board centred on (cx, cy) has its top-left
// corner at (cx - width*W/2, cy - height*H/2), each half rounded down. The mouse mapping always
// measures against the playing board centred on (490, 266).
#pragma once

#include "board.h"

#include <cstdint>

inline constexpr int kTargetCenterX = 150;
inline constexpr int kPlayCenterX = 490;
inline constexpr int kBoardCenterY = 266;

// Draws every non-empty cell onto screen. With step 0..9 the block at (bx, by) (which has
// already been turned) is shown step/9 of the way from its old cells to its new ones;
// direction 0 animates a counter-clockwise turn, any other value a clockwise one. A step of -1
// draws every cell in its place. A value above 16 prints "ERRRRRRRRRRRRRRRRRRrror" on
// standard output and ends the drawing.
void klmr_DrawBoard(uint16_t cx, uint16_t cy, const Board* board, uint8_t bx, uint8_t by,
                    uint8_t direction, int8_t step);

// Copies the board rectangle from backBuffer onto screen.
void klmr_RestoreBoardArea(uint16_t cx, uint16_t cy, const Board* board);

// Updates the board rectangle of screen on the display.
void klmr_UpdateBoardArea(uint16_t cx, uint16_t cy, const Board* board);

// Draws cursor frame for count n (frames 0,1,2,3,4,5,5,4,3,2,1, each held 3 counts) over the
// block at (bx, by), clipped to the board rectangle.
void klmr_DrawCursor(uint16_t cx, uint16_t cy, const Board* board, uint8_t bx, uint8_t by,
                     unsigned int n);

// The turnable block nearest to the pointer inside the cell under it: true and the block's
// position through bx and by; false when there is none (the out-values may then hold the
// cell's column and row, which are not a block).
bool klmr_BlockAtPoint(int px, int py, const Board* board, uint8_t* bx, uint8_t* by);
