// Drawing primitives: tiled background, centred texts (plain and outlined), centred image
// blits and their erasure, clipped updates, the logo, and whole-screen copies.
//
// None of them updates the display unless it says so. Horizontal centring is always
// (640 - width) / 2, truncating, plus an optional x offset.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

// Tiles image over the whole of dst, column by column; writes "klmr_FillBackground error!!"
// to standard error when dst or image is missing.
void klmr_FillBackground(SDL_Surface* dst, SDL_Surface* image);

// Renders text (blended) centred horizontally, moved by xOffset, top at y. With update, the
// drawn area grown by 2 pixels on every side is updated on dst.
void klmr_DrawText(SDL_Surface* dst, const char* text, TTF_Font* font, const SDL_Color* colour,
                   int xOffset, int y, bool update);

// klmr_DrawText with xOffset 0.
void klmr_DrawTextCentered(SDL_Surface* dst, const char* text, TTF_Font* font,
                           const SDL_Color* colour, int y, bool update);

// Centred text with a 2-pixel outline: four copies in outlineColour at (+2,+2), (-2,-2),
// (-2,+2), (+2,-2), then the text itself, which alone carries the update flag.
void klmr_DrawTextOutlined(SDL_Surface* dst, const char* text, TTF_Font* font,
                           const SDL_Color* textColour, const SDL_Color* outlineColour, int y,
                           bool update);

// Blits image whole, centred horizontally, top at y.
void klmr_BlitCentered(SDL_Surface* dst, SDL_Surface* image, int y);

// Copies from src onto dst the area that image covers when centred at y.
void klmr_RestoreCentered(SDL_Surface* dst, SDL_Surface* src, SDL_Surface* image, int y);

// Updates the area a centred image moved by xOffset covers at y, cut at the top and left
// edges (and, as a guard, at the right and bottom edges of the screen).
void klmr_UpdateClipped(SDL_Surface* dst, SDL_Surface* image, int xOffset, int y);

// imgLogo on screen, centred and moved by xOffset, top at y + 21.
void klmr_DrawLogo(int xOffset, int y);

// screen -> backBuffer, whole.
void klmr_SaveScreen();

// Updates the whole screen.
void klmr_Flip();

// backBuffer -> screen, whole.
void klmr_RestoreScreen();
