// Presentation state shared by every drawing operation: the window, its back buffer, fonts,
// images, tiles, colours, menu geometry and the bouncing tiles; and their set-up.
//
// Drawing scheme: backBuffer holds the static picture of the current screen. A new screen is
// drawn on `screen` and saved into backBuffer; anything that moves is erased by copying its
// rectangle back from backBuffer. All horizontal centring is (640 - width) / 2 against the
// constant width 640. Main thread only, except the bouncing-tile atomics (see below).
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <atomic>
#include <cstdint>

inline constexpr int kScreenWidth = 640;
inline constexpr int kScreenHeight = 480;
inline constexpr int kTileCount = 16;
inline constexpr int kBounceCount = 10;
inline constexpr int kMenuItems = 4;

extern SDL_Surface* screen;     // the 640x480x16 picture: the video surface at scale 1
extern SDL_Surface* backBuffer; // software surface of the screen's format: the static picture
extern SDL_Rect backRect;       // {0, 0, backBuffer width, backBuffer height}

extern TTF_Font* fontLarge;  // 27: menu items, titles, banners
extern TTF_Font* fontMedium; // 20: About and high-score lines, time, score, name line
extern TTF_Font* fontSmall;  // 16: notice line, level-code lines

extern SDL_Surface* imgBackground;
extern SDL_Surface* imgLogo;
extern SDL_Surface* imgSelect;
extern SDL_Surface* imgRotate;
extern SDL_Surface* tiles[kTileCount]; // cell value v is drawn with tiles[v - 1]

// The data file whose load made the last klmr_OpenFonts or klmr_LoadAndConvertImages fail, so
// that start-up can name it without opening it again; empty after a success.
extern char failedDataFile[128];
// When that file was refused for the size its header gives, why, naming it; else empty.
extern char failedImageSize[256];

// The stored colour table, in this order, and its four names.
extern const SDL_Color colorTable[4];
extern const SDL_Color& colorPale;   // 200, 200, 240: outline of every outlined text
extern const SDL_Color& colorShadow; // 20, 20, 20: small plain texts
extern const SDL_Color& colorBlue;   // 10, 10, 250
extern const SDL_Color& colorRed;    // 250, 10, 25
extern const SDL_Color colorMenu;    // 95, 10, 250: the four menu items

// Menu geometry, index 0 Start, 1 HiScores, 2 About, 3 Exit.
inline constexpr const char* kMenuTexts[kMenuItems] = {"Start", "HiScores", "About", "Exit"};
extern const int menuTextY[kMenuItems]; // 145, 185, 225, 265
extern const int menuBarY[kMenuItems];  // 151, 191, 231, 271
extern SDL_Rect selectRect;             // the menu column: centred imgSelect width, y 145, h 160

// Bouncing tiles. tileX, tileAngle and tileSpeed are written by the timer thread
// (klmr_BounceTick) and read by the main thread; they are atomics accessed with relaxed
// order, so a frame may show tiles from two neighbouring ticks but never a torn value.
// bounceTile and tileRects belong to the main thread.
extern int bounceTile;                               // 0..15: image of all ten tiles
extern SDL_Rect tileRects[kBounceCount];             // where each tile was drawn last
extern std::atomic<int32_t> tileX[kBounceCount];     // 0 .. 640 - tile width
extern std::atomic<int32_t> tileAngle[kBounceCount]; // degrees, 0..179
extern std::atomic<int32_t> tileSpeed[kBounceCount]; // +1 or -1 pixel per tick

// Gives the windows opened from now on the game's icon, "data/gfx/icon.png" (read whole,
// regular files only, bounded; its size read from its header before it is decoded). The icon
// is an extra: a missing or bad file is said in one line on standard error, and nothing else.
void klmr_SetWindowIcon();

// Opens the window with the given video flags (640x480x16, or larger at the display's scale)
// and the back buffer: 1 or 0.
int klmr_OpenScreen(Uint32 flags);

// Opens the three sizes of "data/fonts/impact.ttf", always all three: 1 when all opened. The
// file is read whole (regular files only, bounded) and the fonts read their glyphs from those
// bytes, which stay in memory until klmr_CloseFonts.
int klmr_OpenFonts();

// Whether the three open fonts draw: each has a line height, a glyph of its own for every letter
// of the menu words, and draws each word with at least one visible pixel. A damaged font file (a
// missing cmap, glyph offsets zeroed, no glyphs, a line height of 0) can open and draw nothing at
// all, leaving a game without a word on screen. 1, or 0 with a one-line reason naming the font file
// in why.
int klmr_FontsDraw(char* why, size_t whySize);

// Closes each open font and frees the font file's bytes. The pointers are not cleared.
void klmr_CloseFonts();

// Loads the four PNG images and sixteen tile BMPs (each file read whole, regular files only,
// bounded: nothing blocks on a FIFO), converts them to target's format with the
// magenta colour key, seeds rand() from the clock, picks bounceTile and places the bouncing
// tiles and selectRect: 1 or 0. Images of an earlier call are freed first; each unconverted
// original is freed once converted (kept, should its conversion fail).
int klmr_LoadAndConvertImages(SDL_Surface* target);

// Frees the back buffer, if any; backBuffer becomes null.
void klmr_FreeBackBuffer();

// Frees the four images and the sixteen tiles that are loaded and sets their pointers to null.
// Used at shut-down and after a failed start-up, so that the program leaves no leak behind.
// Only once the bouncing-tile timer has stopped: klmr_BounceTick reads the tiles' widths.
void klmr_FreeImages();
