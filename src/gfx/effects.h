// Menu effects: the menu items, the selection bar's refresh, the bouncing tiles and their
// timer tick, the bottom strip, the opening and closing curtain and the logo drop.
#pragma once

#include <SDL.h>

// Draws "Start", "HiScores", "About", "Exit" at menuTextY in fontLarge, colorMenu on screen:
// outlined in colorPale when plain is 0 (xOffset unused), else plain and moved by xOffset.
void klmr_DrawMenuItems(int plain, int xOffset);

// Updates selectRect on the display, moved by dx when shifted is not 0.
void klmr_UpdateSelectBar(int shifted, int dx);

// Timer callback (timer thread): moves the ten bouncing tiles one tick; returns interval.
Uint32 klmr_BounceTick(Uint32 interval);

// Erases the ten tiles from backBuffer, then draws them at their current places on screen.
void klmr_DrawBouncingTiles();

// Updates the band y 370..479 in which the tiles bounce.
void klmr_UpdateBottomStrip();

// Reveals backBuffer on the display in 4-pixel strips, top to bottom at every 8 pixels, then
// bottom to top in between, waiting 3 ms a strip; does nothing when skip is not 0.
void klmr_CurtainEffect(int skip);

// Drops the logo from y -139 to its resting place at y 21 in 91 frames of 5 ms.
void klmr_LogoDrop();
