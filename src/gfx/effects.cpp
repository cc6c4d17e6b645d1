// Menu effects: menu items, selection-bar refresh, bouncing tiles, curtain and logo drop.
#include "effects.h"

#include "clock.h"
#include "display.h"
#include "draw.h"
#include "screen.h"

#include <cmath>
#include <numbers>

namespace {

constexpr int kGroundY = 450;  // a tile's top when it touches the ground
constexpr int kHopHeight = 80; // pixels from the ground to the top of a hop
constexpr int kStripTop = 370; // the band the tiles move in: y 370..479
constexpr int kStripHeight = 110;

constexpr int kCurtainStrips = 60; // per pass; two passes interlace
constexpr int kCurtainStrip = 4;
constexpr uint32_t kCurtainDelayMs = 3;

constexpr int kLogoStartY = -139; // 160 above its resting place at 21
constexpr int kLogoDrop = 160;
constexpr int kLogoFrames = 91; // a quarter sine period: 0..90 degrees
constexpr uint32_t kLogoDelayMs = 5;

double Radians(int degrees) {
    return degrees * std::numbers::pi / 180;
}

SDL_Rect MakeRect(int x, int y, int w, int h) {
    return {static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w),
            static_cast<Uint16>(h)};
}

// Copies the area of backBuffer onto the same place of screen.
void RestoreArea(SDL_Rect area) {
    SDL_Rect at = area;
    SDL_BlitSurface(backBuffer, &area, screen, &at);
}

} // namespace

void klmr_DrawMenuItems(int plain, int xOffset) {
    for (int i = 0; i < kMenuItems; ++i) {
        if (plain == 0)
            klmr_DrawTextOutlined(screen, kMenuTexts[i], fontLarge, &colorMenu, &colorPale,
                                  menuTextY[i], false);
        else
            klmr_DrawText(screen, kMenuTexts[i], fontLarge, &colorMenu, xOffset, menuTextY[i],
                          false);
    }
}

void klmr_UpdateSelectBar(int shifted, int dx) {
    const int x = shifted != 0 ? selectRect.x + dx : selectRect.x;
    klmr_DisplayUpdate(screen, x, selectRect.y, selectRect.w, selectRect.h);
}

// Timer thread. Touches only the three atomic arrays and reads the tile widths, which do not
// change while the timer runs.
Uint32 klmr_BounceTick(Uint32 interval) {
    for (int i = 0; i < kBounceCount; ++i) {
        int32_t angle = tileAngle[i].load(std::memory_order_relaxed) + 2;
        if (angle >= 180) angle = 0;
        tileAngle[i].store(angle, std::memory_order_relaxed);

        int32_t speed = tileSpeed[i].load(std::memory_order_relaxed);
        const int32_t x = tileX[i].load(std::memory_order_relaxed) + speed;
        tileX[i].store(x, std::memory_order_relaxed);
        const int width = tiles[i] != nullptr ? tiles[i]->w : 0;
        if (x >= kScreenWidth - width || x < 1) {
            speed = -speed;
            tileSpeed[i].store(speed, std::memory_order_relaxed);
        }
    }
    return interval;
}

void klmr_DrawBouncingTiles() {
    // Erase all ten before drawing any: later tiles may overlap earlier ones.
    for (const SDL_Rect& last : tileRects)
        RestoreArea(last);
    if (bounceTile < 0 || bounceTile >= kTileCount) return;
    for (int i = 0; i < kBounceCount; ++i) {
        const int angle = tileAngle[i].load(std::memory_order_relaxed);
        const int lift = static_cast<int>(std::sin(Radians(angle)) * kHopHeight);
        tileRects[i].x = static_cast<Sint16>(tileX[i].load(std::memory_order_relaxed));
        tileRects[i].y = static_cast<Sint16>(kGroundY - lift);
        // The blit stores the area actually drawn, which the next call erases.
        SDL_BlitSurface(tiles[bounceTile], nullptr, screen, &tileRects[i]);
    }
}

void klmr_UpdateBottomStrip() {
    klmr_DisplayUpdate(screen, 0, kStripTop, kScreenWidth, kStripHeight);
}

void klmr_CurtainEffect(int skip) {
    if (skip != 0) return;
    SDL_Rect strip = MakeRect(0, 0, kScreenWidth, kCurtainStrip);
    // Down at every 8 pixels, then back up through the strips in between.
    for (int i = 0; i < kCurtainStrips; ++i) {
        RestoreArea(strip);
        klmr_DisplayUpdate(screen, 0, strip.y, strip.w, strip.h);
        strip.y = static_cast<Sint16>(strip.y + 2 * kCurtainStrip);
        klmr_DisplayWait(kCurtainDelayMs);
    }
    strip.y = static_cast<Sint16>(strip.y - kCurtainStrip);
    for (int i = 0; i < kCurtainStrips; ++i) {
        RestoreArea(strip);
        klmr_DisplayUpdate(screen, 0, strip.y, strip.w, strip.h);
        strip.y = static_cast<Sint16>(strip.y - 2 * kCurtainStrip);
        klmr_DisplayWait(kCurtainDelayMs);
    }
}

void klmr_LogoDrop() {
    SDL_Surface* logo = imgLogo;
    if (logo == nullptr) return;
    const int x = (kScreenWidth - logo->w) / 2;
    int prevY = kLogoStartY;
    for (int i = 0; i < kLogoFrames; ++i) {
        // Only the visible part of the previous logo is copied back; the blit clips it.
        RestoreArea(MakeRect(x, prevY, logo->w, logo->h));
        const int offset = static_cast<int>(std::sin(Radians(i)) * kLogoDrop);
        const int newY = offset + kLogoStartY;
        SDL_Rect at = MakeRect(x, newY, 0, 0);
        SDL_BlitSurface(logo, nullptr, screen, &at);
        klmr_UpdateClipped(screen, logo, 0, prevY);
        klmr_UpdateClipped(screen, logo, 0, newY);
        klmr_DisplayWait(kLogoDelayMs);
        prevY = newY;
    }
    RestoreArea(MakeRect(x, kLogoStartY + kLogoDrop, logo->w, logo->h));
}
