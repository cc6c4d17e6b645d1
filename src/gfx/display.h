// The one door to the display: the video mode, the scale of the window, and every update the
// game asks for. Only the pixels that changed since the display last received them go on to
// SDL, enlarged N times when the window is N times larger than the game's 640x480 picture.
//
// Exact by construction: the door keeps `shown`, a copy of what the display was last given. A
// request for a rectangle R hands the display the pixels of R that differ from `shown`, as a
// few tight rectangles, and copies them into `shown`; the other pixels of R are on the display
// already. So the display shows at every moment what it would have shown had all of R been
// updated. Until a whole-screen update has been given after the video mode was set, `shown`
// is unknown and requests pass whole.
#pragma once

#include <SDL.h>

#include <cstdint>

inline constexpr int kScaleAuto = 0; // the largest scale whose window fits the desktop
inline constexpr int kScaleMax = 3;

// Chooses the scale of the windows opened from now on: 1..kScaleMax, or kScaleAuto. 1 until
// set; other values are taken as 1.
void klmr_DisplaySetScale(int scale);

// The scale of the open window; 1 when none is open. Mouse coordinates are divided by it.
int klmr_DisplayScale();

// Sets the video mode and returns the 640x480 surface the game draws on, or null (SDL_GetError
// says why). At scale 1 that is the video surface SDL_SetVideoMode(640, 480, 16, flags)
// returns; at scale N the window is SDL_SetVideoMode(640N, 480N, 16, flags) and the surface a
// software one of the window's pixel format, owned by the door. kScaleAuto is resolved here,
// from the desktop size SDL reports before the first video mode is set.
SDL_Surface* klmr_DisplayOpen(Uint32 flags);

// Frees what klmr_DisplayOpen made (a scaled window's drawing surface); then nothing is open.
void klmr_DisplayClose();

// Asks for the rectangle (x, y, w, h) of dst to reach the display, with SDL_UpdateRect's
// meaning: a zero width or height is the whole width or height. The rectangle is cut to the
// screen. Only the drawing surface reaches the display; other surfaces are ignored.
void klmr_DisplayUpdate(SDL_Surface* dst, int x, int y, int w, int h);

// What the door has done since the video mode was set; areas in 640x480 pixels.
struct DisplayStats {
    uint64_t requests;  // update requests for the drawing surface (not empty after cutting)
    uint64_t requested; // their area
    uint64_t handed;    // SDL_UpdateRects calls
    uint64_t updated;   // the area of the rectangles handed to SDL
};
DisplayStats klmr_DisplayStats();
