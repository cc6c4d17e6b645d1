// The one door to the display: the window, its size and fullscreen, where the game's 640x480
// picture lies in it, and every update the game asks for. Only the pixels that changed since
// the display last received them go on to SDL.
//
// The game draws on `drawing`, a 640x480 16-bit surface the door owns for the whole run, never
// on the window itself. The window shows that picture at the largest integer scale that fits
// its current size, centred, black around it; a window smaller than 640x480 shows the middle of
// the picture at scale 1. The window's own pixels are written by the door alone, when it hands
// them to SDL, so whatever SDL repaints by itself (an expose) is what the display was handed.
//
// Exact by construction: the door keeps `shown`, a copy of what the display was last given, in
// the game's pixels. A request for a rectangle R hands the display the pixels of R that differ
// from `shown`, as a few tight rectangles, and copies them into `shown`; the other pixels of R
// are on the display already. So the display shows at every moment what it would have shown
// had all of R been updated. Until a whole-screen update has been given after the window was
// opened or klmr_DisplayForget was called, `shown` is unknown and requests pass whole. A new
// layout (a resize, fullscreen) shows `shown` again at once: what the display held, moved.
#pragma once

#include <SDL.h>

#include <cstdint>

inline constexpr int kScaleAuto = 0; // the largest scale whose window leaves room on the desktop
inline constexpr int kScaleMax = 3;

// Where the picture lies in a window: enlarged `scale` times, its top-left corner at (x, y) of
// the window (negative where a window smaller than the picture cuts it).
struct DisplayLayout {
    int scale, x, y;
    bool operator==(const DisplayLayout&) const = default;
};

// The layout of a w x h window: the largest scale N >= 1 with 640N <= w and 480N <= h, centred
// with truncating division.
DisplayLayout klmr_DisplayLayoutFor(int w, int h);

// The scale that "auto" means on a desktop of w x h: the largest N of 1..kScaleMax with
// 640N <= w and 480N <= 90 % of h, which leaves room for panels and a title bar; 1 when the
// desktop's size is unknown (0).
int klmr_DisplayAutoScale(int desktopW, int desktopH);

// The window klmr_DisplayOpen opens, until it is open: 640N x 480N for a scale N of
// 1..kScaleMax, or kScaleAuto, resolved at the opening from the desktop (other values are 1);
// or any size of at least 1 x 1; and whether it opens fullscreen. 640x480, not fullscreen,
// until set. A scale given here that leaves no room on the desktop gets one warning line on
// standard error at the opening; the window opens anyway.
void klmr_DisplaySetScale(int scale);
void klmr_DisplaySetWindow(int w, int h);
void klmr_DisplaySetFullscreen(bool fullscreen);

struct DisplayState {
    int windowW, windowH; // the window's size when not fullscreen: what going back restores
    bool fullscreen;
    DisplayLayout layout;   // of the window or fullscreen surface now open; scale 1 when none is
    int desktopW, desktopH; // as SDL reported it before the first video mode; 0 when unknown
};
DisplayState klmr_DisplayNow();

// Sets the video mode (resizable, or fullscreen at the desktop's size: no change of video mode)
// and returns the 640x480 16-bit surface the game draws on, which the door owns and keeps for
// the whole run; null when there is no window (SDL_GetError says why). The window has 32-bit
// pixels, which the door writes itself, converting each game pixel as SDL converts a 16-bit
// screen. flags are added to the video-mode flags.
SDL_Surface* klmr_DisplayOpen(Uint32 flags);

// Closes the window's side and frees the drawing surface: nothing is open any more.
void klmr_DisplayClose();

// The player's changes, at any moment: each sets the video mode again and shows the picture at
// its new layout at once. A resize to the window's own size does nothing, as does a resize
// while fullscreen. False when no video mode could be set, not even the one before (SDL_GetError
// says why); the game cannot go on showing anything then.
bool klmr_DisplayResize(int w, int h);
bool klmr_DisplayToggleFullscreen();

// The display may hold pixels the door did not hand it (an expose, a repaint asked for): the
// next requests pass whole until a whole-screen one.
void klmr_DisplayForget();

// Pacing: requests are served at most once per pace (16 ms, about a display's refresh; 0 serves
// each at once), the latest picture always within one pace. Requests made sooner wait for the
// next request or wait that is due, and are served with the pixels drawn by then.
void klmr_DisplaySetPace(uint32_t ms);
// Every wait of the game's drawing code: klmr_Delay(ms), after handing SDL what waits if the
// wait would hold it past its pace.
void klmr_DisplayWait(uint32_t ms);

// Maps a position in the window to the game's picture: true with (*x, *y) in 0..639 x 0..479
// when it lies on the picture, false (and nothing stored) when it lies on the border around it.
bool klmr_DisplayToGame(int windowX, int windowY, int* x, int* y);

// Asks for the rectangle (x, y, w, h) of dst to reach the display, with SDL_UpdateRect's
// meaning: a zero width or height is the whole width or height. The rectangle is cut to the
// screen. Only the drawing surface reaches the display; other surfaces are ignored.
void klmr_DisplayUpdate(SDL_Surface* dst, int x, int y, int w, int h);

// What the door has done since klmr_DisplayOpen; areas in 640x480 pixels.
struct DisplayStats {
    uint64_t requests;  // update requests for the drawing surface (not empty after cutting)
    uint64_t requested; // their area
    uint64_t handed;    // SDL_UpdateRects calls
    uint64_t updated;   // the area of the rectangles handed to SDL
};
DisplayStats klmr_DisplayStats();
