// The door to the display: the window, its layout and fullscreen, and updates of only the
// pixels that changed.
#include "display.h"

#include "clock.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kWindowMax = 8192; // SDL_Rect's 16-bit fields hold it at any scale that fits

// Changed pixels are found on a grid of 16 x 16 cells: runs of changed cells in a band of 16
// rows become one rectangle, tightened to its changed pixels, and a rectangle grows into the
// band below when that adds few unchanged pixels. Each rectangle costs SDL a call into the
// video driver, so a merge that adds up to kMergeSlack pixels is worth it; past kMaxRects
// rectangles, the rest joins the last one.
constexpr int kCell = 16;
constexpr int kColumns = kWidth / kCell;
constexpr int kMaxRects = 32;
constexpr long kMergeSlack = 1024;

// The benchmark's build of the earlier policy, which hands every requested rectangle whole.
#if defined(KELMORA_PRESENT_WHOLE_RECTS) && KELMORA_PRESENT_WHOLE_RECTS
constexpr bool kWholeRects = true;
#else
constexpr bool kWholeRects = false;
#endif

// Pacing. A display shows about 60 pictures a second and the loop draws 200, and every
// rectangle handed on costs a comparison, a conversion, and a copy in the X server (on
// sdl12-compat, a present of the whole window). So requests are served at most once per
// kPaceMs: those made sooner wait in `asked` and are served together, with the pixels the game
// has drawn by then, at the first request or wait that finds kPaceMs passed since the last
// hand. A wait that would carry them past that serves them first, so the display is never more
// than kPaceMs behind what the game drew, and blocking effects keep their duration.
constexpr uint32_t kPaceMs = 16;

struct Box { // half-open: x0 <= x < x1, y0 <= y < y1
    int x0, y0, x1, y1;
};

// What klmr_DisplayOpen opens: a scale (kScaleAuto included) when wantedScale >= 0, else the
// size wantedW x wantedH. explicitScale: the scale was chosen, so a window too large is told.
int wantedScale = 1;
bool explicitScale = false;
int wantedW = kWidth, wantedH = kHeight;
bool wantedFullscreen = false;

Uint32 baseFlags = 0;
int windowW = kWidth, windowH = kHeight; // the window's size when not fullscreen
bool fullscreen = false;
bool desktopRead = false;
int desktopW = 0, desktopH = 0;

SDL_Surface* window = nullptr;  // the video surface: the door alone writes its pixels
SDL_Surface* drawing = nullptr; // what the game draws on, 640x480, 16-bit
DisplayLayout layout = {1, 0, 0};
Box visible = {0, 0, kWidth, kHeight}; // the game's pixels that the window shows
bool known = false;                    // shown holds what the display was last given
Uint16 shown[kHeight][kWidth];
Uint32 colour[65536]; // the window's pixel for each 16-bit pixel of the game
DisplayStats stats = {};

long Area(const Box& b) {
    return static_cast<long>(b.x1 - b.x0) * (b.y1 - b.y0);
}

Box Union(const Box& a, const Box& b) {
    return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

bool Same4(const Uint16* a, const Uint16* b) {
    uint64_t u, v;
    memcpy(&u, a, sizeof u);
    memcpy(&v, b, sizeof v);
    return u == v;
}

Uint16* Row(SDL_Surface* s, int y) {
    return reinterpret_cast<Uint16*>(static_cast<Uint8*>(s->pixels) + y * s->pitch);
}

// Fills out with the rectangles of r whose pixels differ between drawing and shown; their
// count. Every changed pixel of r lies in one of them, and each lies within r.
int ChangedBoxes(const Box& r, Box* out) {
    int count = 0;
    int reach[kMaxRects]; // the top of the last band each rectangle reaches
    const int c0 = r.x0 / kCell, c1 = (r.x1 - 1) / kCell;
    for (int top = r.y0 / kCell * kCell; top < r.y1; top += kCell) {
        bool changed[kColumns] = {};
        Box cell[kColumns];
        for (int y = std::max(top, r.y0); y < std::min(top + kCell, r.y1); ++y) {
            const Uint16* now = Row(drawing, y);
            const Uint16* was = shown[y];
            if (memcmp(now + r.x0, was + r.x0, sizeof(Uint16) * (r.x1 - r.x0)) == 0) continue;
            // Pixels a..b-1 of this row, within one cell, hold the changes between them.
            auto mark = [&](int a, int b) {
                while (a < b && now[a] == was[a])
                    ++a;
                while (a < b && now[b - 1] == was[b - 1])
                    --b;
                if (a == b) return;
                Box& k = cell[a / kCell];
                if (!changed[a / kCell])
                    k = {a, y, b, y + 1}, changed[a / kCell] = true;
                else
                    k.x0 = std::min(k.x0, a), k.x1 = std::max(k.x1, b), k.y1 = y + 1;
            };
            // Four pixels at a time, which are nearly all equal; the ends one by one.
            int x = std::min((r.x0 + 3) / 4 * 4, r.x1);
            mark(r.x0, x);
            for (; x + 4 <= r.x1; x += 4)
                if (!Same4(now + x, was + x)) mark(x, x + 4);
            mark(x, r.x1);
        }
        for (int c = c0; c <= c1; ++c) {
            if (!changed[c]) continue;
            Box run = cell[c];
            for (; c < c1 && changed[c + 1]; ++c)
                run = Union(run, cell[c + 1]);
            int into = -1;
            for (int i = 0; i < count && into < 0; ++i)
                if (reach[i] >= top - kCell &&
                    Area(Union(out[i], run)) - Area(out[i]) - Area(run) <= kMergeSlack)
                    into = i;
            if (into < 0 && count == kMaxRects) into = count - 1;
            if (into < 0) {
                into = count++;
                out[into] = run;
            }
            out[into] = Union(out[into], run);
            reach[into] = top;
        }
    }
    return count;
}

// The desktop's size, which SDL 1.2.10 and later report until the first video mode is set.
void ReadDesktop() {
    if (desktopRead) return;
    desktopRead = true;
    const SDL_VideoInfo* info = SDL_GetVideoInfo();
    if (info != nullptr && info->current_w > 0 && info->current_h > 0)
        desktopW = info->current_w, desktopH = info->current_h;
}

// Writes pixels x0..x1-1 of the game's row y, from src (indexed by the game's x), enlarged into
// the window. The caller keeps them within `visible`.
void Enlarge(const Uint16* src, int y, int x0, int x1) {
    const int n = layout.scale;
    Uint8* row = static_cast<Uint8*>(window->pixels) + (layout.y + y * n) * window->pitch;
    Uint32* dst = reinterpret_cast<Uint32*>(row) + layout.x + x0 * n;
    for (int x = x0; x < x1; ++x) {
        const Uint32 pixel = colour[src[x]];
        for (int k = 0; k < n; ++k)
            *dst++ = pixel;
    }
    const size_t bytes = sizeof(Uint32) * (x1 - x0) * n;
    for (int k = 1; k < n; ++k)
        memcpy(row + k * window->pitch + sizeof(Uint32) * (layout.x + x0 * n),
               row + sizeof(Uint32) * (layout.x + x0 * n), bytes);
}

Box Visible(const Box& b) {
    return {std::max(b.x0, visible.x0), std::max(b.y0, visible.y0), std::min(b.x1, visible.x1),
            std::min(b.y1, visible.y1)};
}

// Copies b of drawing into shown and, where the window shows it, into the window.
void Give(const Box& b) {
    const Box v = Visible(b);
    for (int y = b.y0; y < b.y1; ++y) {
        memcpy(&shown[y][b.x0], Row(drawing, y) + b.x0, sizeof(Uint16) * (b.x1 - b.x0));
        if (y >= v.y0 && y < v.y1 && v.x0 < v.x1) Enlarge(shown[y], y, v.x0, v.x1);
    }
}

uint32_t pace = kPaceMs;
Box asked[kMaxRects]; // requests not served yet, cut to the screen; past kMaxRects they merge
int askedCount = 0;
uint32_t lastHand = 0;
bool handedOnce = false; // lastHand holds a time

bool PaceDue(uint32_t ahead) {
    return !handedOnce || klmr_PaceTicks() + ahead - lastHand >= pace;
}

// The one step that hands window pixels to SDL.
void Hand(int count, SDL_Rect* rects) {
    ++stats.handed;
    SDL_UpdateRects(window, count, rects);
    lastHand = klmr_PaceTicks();
    handedOnce = true;
}

// Fills colour with the window's pixel for each 16-bit pixel, converted by SDL itself, which
// converts a 16-bit screen the same way for a display of another depth: the window shows the
// colours a 16-bit window would.
bool MapColours() {
    SDL_Surface* all = SDL_CreateRGBSurface(SDL_SWSURFACE, 256, 256, 16, 0xf800, 0x07e0, 0x001f, 0);
    if (all == nullptr) return false;
    for (int v = 0; v < 65536; ++v)
        Row(all, v / 256)[v % 256] = static_cast<Uint16>(v);
    SDL_Surface* mapped = SDL_ConvertSurface(all, window->format, SDL_SWSURFACE);
    SDL_FreeSurface(all);
    if (mapped == nullptr) return false;
    for (int v = 0; v < 65536; ++v)
        colour[v] = reinterpret_cast<const Uint32*>(static_cast<Uint8*>(mapped->pixels) +
                                                    v / 256 * mapped->pitch)[v % 256];
    SDL_FreeSurface(mapped);
    return true;
}

// Sets the video mode, fullscreen or a resizable window of w x h, and lays the picture out in
// it. The window's pixels are 32-bit, as today's displays have them: the door converts each
// game pixel once with its table and SDL copies them on.
bool SetMode(int w, int h, bool full) {
    window = SDL_SetVideoMode(w, h, 32, baseFlags | (full ? SDL_FULLSCREEN : SDL_RESIZABLE));
    if (window != nullptr && (window->format->BytesPerPixel != 4 || !MapColours())) {
        SDL_SetError("cannot map the game's colours to the %dx%d window", w, h);
        window = nullptr;
    }
    if (window == nullptr) return false;
    fullscreen = full;
    if (!full) windowW = window->w, windowH = window->h;
    layout = klmr_DisplayLayoutFor(window->w, window->h);
    const int n = layout.scale;
    visible = {std::max(0, -layout.x), std::max(0, -layout.y),
               std::min(kWidth, (window->w - layout.x) / n),
               std::min(kHeight, (window->h - layout.y) / n)};
    return true;
}

// Shows the picture at the window's layout, black around it: what the display was last given,
// moved, or the drawing itself when that is not known.
void ShowWhole() {
    SDL_FillRect(window, nullptr, 0);
    if (SDL_MUSTLOCK(window) && SDL_LockSurface(window) != 0) return;
    if (!known)
        for (int y = 0; y < kHeight; ++y)
            memcpy(shown[y], Row(drawing, y), sizeof shown[y]);
    known = true;
    for (int y = visible.y0; y < visible.y1; ++y)
        Enlarge(shown[y], y, visible.x0, visible.x1);
    if (SDL_MUSTLOCK(window)) SDL_UnlockSurface(window);
    SDL_Rect all = {0, 0, static_cast<Uint16>(window->w), static_cast<Uint16>(window->h)};
    Hand(1, &all);
}

// A new video mode, or the one open before it should SDL refuse the new one.
bool Relayout(int w, int h, bool full) {
    const int oldW = window->w, oldH = window->h;
    const bool oldFull = fullscreen;
    if (!SetMode(w, h, full) && !SetMode(oldW, oldH, oldFull)) return false;
    ShowWhole();
    return true;
}

// Serves every request waiting: the pixels of each that differ from what the display holds go
// to SDL in one call, as a few tight rectangles.
void Serve() {
    if (window == nullptr || askedCount == 0) return;
    if (SDL_MUSTLOCK(window) && SDL_LockSurface(window) != 0) return;
    Box given[kMaxRects]; // the visible parts given, in the game's pixels; past kMaxRects merged
    int handed = 0;
    for (int k = 0; k < askedCount; ++k) {
        const Box& r = asked[k];
        Box boxes[kMaxRects];
        int count = 1;
        if (kWholeRects || !known)
            boxes[0] = r;
        else
            count = ChangedBoxes(r, boxes);
        for (int i = 0; i < count; ++i) {
            Give(boxes[i]);
            stats.updated += static_cast<uint64_t>(Area(boxes[i]));
            const Box v = Visible(boxes[i]);
            if (v.x0 >= v.x1 || v.y0 >= v.y1) continue;
            if (handed < kMaxRects)
                given[handed++] = v;
            else
                given[kMaxRects - 1] = Union(given[kMaxRects - 1], v);
        }
        if (Area(r) == static_cast<long>(kWidth) * kHeight) known = true;
    }
    askedCount = 0;
    if (SDL_MUSTLOCK(window)) SDL_UnlockSurface(window);
    if (handed == 0) return;
    SDL_Rect rects[kMaxRects];
    const int n = layout.scale;
    for (int i = 0; i < handed; ++i) {
        const Box& v = given[i];
        rects[i] = {static_cast<Sint16>(layout.x + v.x0 * n),
                    static_cast<Sint16>(layout.y + v.y0 * n),
                    static_cast<Uint16>((v.x1 - v.x0) * n), static_cast<Uint16>((v.y1 - v.y0) * n)};
    }
    Hand(handed, rects);
}

} // namespace

DisplayLayout klmr_DisplayLayoutFor(int w, int h) {
    const int n = std::max(1, std::min(w / kWidth, h / kHeight));
    return {n, (w - kWidth * n) / 2, (h - kHeight * n) / 2};
}

int klmr_DisplayAutoScale(int deskW, int deskH) {
    int n = kScaleMax;
    while (n > 1 && (kWidth * n > deskW || kHeight * n * 10 > deskH * 9))
        --n;
    return n;
}

void klmr_DisplaySetScale(int n) {
    explicitScale = n != kScaleAuto;
    wantedScale = n == kScaleAuto || (n >= 1 && n <= kScaleMax) ? n : 1;
}

void klmr_DisplaySetWindow(int w, int h) {
    wantedScale = -1;
    wantedW = std::clamp(w, 1, kWindowMax);
    wantedH = std::clamp(h, 1, kWindowMax);
}

void klmr_DisplaySetFullscreen(bool on) {
    wantedFullscreen = on;
}

DisplayState klmr_DisplayNow() {
    return {windowW, windowH, fullscreen, layout, desktopW, desktopH};
}

SDL_Surface* klmr_DisplayOpen(Uint32 flags) {
    ReadDesktop();
    stats = {};
    known = false;
    askedCount = 0;
    handedOnce = false;
    baseFlags = flags;
    window = nullptr;
    if (drawing == nullptr)
        drawing =
            SDL_CreateRGBSurface(SDL_SWSURFACE, kWidth, kHeight, 16, 0xf800, 0x07e0, 0x001f, 0);
    if (drawing == nullptr) return nullptr;
    if (wantedScale >= 0) {
        const int n =
            wantedScale == kScaleAuto ? klmr_DisplayAutoScale(desktopW, desktopH) : wantedScale;
        wantedW = kWidth * n;
        wantedH = kHeight * n;
        if (explicitScale && !wantedFullscreen && desktopW > 0 &&
            n > klmr_DisplayAutoScale(desktopW, desktopH))
            fprintf(stderr,
                    "kelmora: a window of %dx%d (scale %d) leaves no room on the %dx%d desktop; "
                    "opening it anyway\n",
                    wantedW, wantedH, n, desktopW, desktopH);
    }
    windowW = wantedW;
    windowH = wantedH;
    // Fullscreen refused, the window still shows the game.
    const bool full = wantedFullscreen;
    if (!SetMode(full && desktopW > 0 ? desktopW : windowW,
                 full && desktopW > 0 ? desktopH : windowH, full) &&
        (!full || !SetMode(windowW, windowH, false)))
        return nullptr;
    return drawing;
}

void klmr_DisplayClose() {
    askedCount = 0;
    if (drawing != nullptr) SDL_FreeSurface(drawing);
    drawing = window = nullptr;
    layout = {1, 0, 0};
    visible = {0, 0, kWidth, kHeight};
    known = false;
}

bool klmr_DisplayResize(int w, int h) {
    if (window == nullptr) return false;
    w = std::clamp(w, 1, kWindowMax);
    h = std::clamp(h, 1, kWindowMax);
    if (fullscreen || (w == window->w && h == window->h)) return true;
    return Relayout(w, h, false);
}

bool klmr_DisplayToggleFullscreen() {
    if (window == nullptr) return false;
    if (fullscreen) return Relayout(windowW, windowH, false);
    // Without a known desktop, fullscreen keeps the window's size: SDL then changes no mode.
    return Relayout(desktopW > 0 ? desktopW : window->w, desktopW > 0 ? desktopH : window->h, true);
}

void klmr_DisplayForget() {
    known = false;
}

void klmr_DisplaySetPace(uint32_t ms) {
    pace = ms;
}

void klmr_DisplayWait(uint32_t ms) {
    if (askedCount > 0 && PaceDue(ms)) Serve();
    klmr_Delay(ms);
}

bool klmr_DisplayToGame(int windowX, int windowY, int* x, int* y) {
    const int n = layout.scale, dx = windowX - layout.x, dy = windowY - layout.y;
    if (dx < 0 || dy < 0 || dx >= kWidth * n || dy >= kHeight * n) return false;
    *x = dx / n;
    *y = dy / n;
    return true;
}

void klmr_DisplayUpdate(SDL_Surface* dst, int x, int y, int w, int h) {
    if (dst == nullptr || dst != drawing || window == nullptr) return;
    if (w == 0) w = kWidth;
    if (h == 0) h = kHeight;
    const int right = static_cast<int>(std::min<long>(static_cast<long>(x) + w, kWidth));
    const int bottom = static_cast<int>(std::min<long>(static_cast<long>(y) + h, kHeight));
    const Box r = {std::max(x, 0), std::max(y, 0), right, bottom};
    if (r.x0 >= r.x1 || r.y0 >= r.y1) return;
    ++stats.requests;
    stats.requested += static_cast<uint64_t>(Area(r));
    if (askedCount < kMaxRects)
        asked[askedCount++] = r;
    else
        asked[kMaxRects - 1] = Union(asked[kMaxRects - 1], r);
    if (PaceDue(0)) Serve();
}

DisplayStats klmr_DisplayStats() {
    return stats;
}
