// The door to the display: video mode and scale, and updates of only the pixels that changed.
#include "display.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

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

struct Box { // half-open: x0 <= x < x1, y0 <= y < y1
    int x0, y0, x1, y1;
};

int wantedScale = 1;
int scale = 1;
SDL_Surface* window = nullptr;  // the video surface
SDL_Surface* drawing = nullptr; // what the game draws on: the window itself at scale 1
bool exact = false;             // drawing is 640x480 with 16-bit pixels, so shown can follow it
bool known = false;             // shown holds what the display was last given
Uint16 shown[kHeight][kWidth];
Uint32 colour[65536]; // scaled window: its pixel for each 16-bit pixel of the game
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

// The largest scale whose window fits the desktop, which SDL 1.2.10 and later report before
// the first video mode is set; 1 when it does not say.
int FittingScale() {
    const SDL_VideoInfo* info = SDL_GetVideoInfo();
    if (info == nullptr || info->current_w <= 0 || info->current_h <= 0) return 1;
    int n = kScaleMax;
    while (n > 1 && (kWidth * n > info->current_w || kHeight * n > info->current_h))
        --n;
    return n;
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

// Writes row y of b, enlarged, into the window's rows y*scale.., in its pixels of type T.
template <typename T>
void Enlarge(const Box& b, int y) {
    const Uint16* src = Row(drawing, y) + b.x0;
    T* dst = reinterpret_cast<T*>(static_cast<Uint8*>(window->pixels) + y * scale * window->pitch) +
             b.x0 * scale;
    for (int x = 0; x < b.x1 - b.x0; ++x) {
        const T pixel = static_cast<T>(colour[src[x]]);
        for (int k = 0; k < scale; ++k)
            dst[x * scale + k] = pixel;
    }
    for (int k = 1; k < scale; ++k)
        memcpy(reinterpret_cast<Uint8*>(dst) + k * window->pitch, dst,
               sizeof(T) * (b.x1 - b.x0) * scale);
}

// Copies b of drawing into shown and, at a scale above 1, into the window N times larger.
void Give(const Box& b) {
    for (int y = b.y0; y < b.y1; ++y) {
        if (exact) memcpy(&shown[y][b.x0], Row(drawing, y) + b.x0, sizeof(Uint16) * (b.x1 - b.x0));
        if (scale == 1) continue;
        if (window->format->BytesPerPixel == 4)
            Enlarge<Uint32>(b, y);
        else
            Enlarge<Uint16>(b, y);
    }
}

// Fills colour with the window's pixel for each 16-bit pixel, converted by SDL itself, which
// converts a 16-bit screen the same way for a display of another depth: a scaled window shows
// the colours an unscaled one does.
bool MapColours() {
    SDL_Surface* all = SDL_CreateRGBSurface(SDL_SWSURFACE, 256, 256, 16, 0xf800, 0x07e0, 0x001f, 0);
    if (all == nullptr) return false;
    for (int v = 0; v < 65536; ++v)
        Row(all, v / 256)[v % 256] = static_cast<Uint16>(v);
    SDL_Surface* mapped = SDL_ConvertSurface(all, window->format, SDL_SWSURFACE);
    SDL_FreeSurface(all);
    if (mapped == nullptr) return false;
    const int bytes = mapped->format->BytesPerPixel;
    for (int v = 0; v < 65536; ++v) {
        const Uint8* p = static_cast<Uint8*>(mapped->pixels) + v / 256 * mapped->pitch;
        colour[v] = bytes == 4 ? reinterpret_cast<const Uint32*>(p)[v % 256]
                               : reinterpret_cast<const Uint16*>(p)[v % 256];
    }
    SDL_FreeSurface(mapped);
    return true;
}

void FreeDrawing() {
    if (drawing != nullptr && drawing != window) SDL_FreeSurface(drawing);
    drawing = window = nullptr;
    scale = 1;
    exact = known = false;
}

} // namespace

void klmr_DisplaySetScale(int n) {
    wantedScale = n == kScaleAuto || (n >= 1 && n <= kScaleMax) ? n : 1;
}

int klmr_DisplayScale() {
    return scale;
}

SDL_Surface* klmr_DisplayOpen(Uint32 flags) {
    FreeDrawing();
    stats = {};
    const int n = wantedScale == kScaleAuto ? FittingScale() : wantedScale;
    // A scaled window has 32-bit pixels, the display's own on today's screens, which the door
    // writes itself: a 16-bit window would have SDL convert every enlarged pixel again, N * N
    // times the work of an unscaled one.
    window = SDL_SetVideoMode(kWidth * n, kHeight * n, n == 1 ? 16 : 32, flags);
    if (window == nullptr) return nullptr;
    if (n == 1) {
        drawing = window;
    } else {
        const int bytes = window->format->BytesPerPixel;
        if ((bytes == 2 || bytes == 4) && MapColours())
            drawing =
                SDL_CreateRGBSurface(SDL_SWSURFACE, kWidth, kHeight, 16, 0xf800, 0x07e0, 0x001f, 0);
        else
            SDL_SetError("cannot map the game's colours to the %dx%d window", kWidth * n,
                         kHeight * n);
        if (drawing == nullptr) {
            window = nullptr;
            return nullptr;
        }
    }
    scale = n;
    exact = drawing->w == kWidth && drawing->h == kHeight && drawing->format->BytesPerPixel == 2;
    return drawing;
}

void klmr_DisplayClose() {
    FreeDrawing();
}

void klmr_DisplayUpdate(SDL_Surface* dst, int x, int y, int w, int h) {
    if (dst == nullptr || dst != drawing) return;
    if (w == 0) w = kWidth;
    if (h == 0) h = kHeight;
    const int right = static_cast<int>(std::min<long>(static_cast<long>(x) + w, kWidth));
    const int bottom = static_cast<int>(std::min<long>(static_cast<long>(y) + h, kHeight));
    const Box r = {std::max(x, 0), std::max(y, 0), right, bottom};
    if (r.x0 >= r.x1 || r.y0 >= r.y1) return;
    ++stats.requests;
    stats.requested += static_cast<uint64_t>(Area(r));

    const bool lockDrawing = SDL_MUSTLOCK(drawing) != 0;
    const bool lockWindow = scale > 1 && SDL_MUSTLOCK(window) != 0;
    if (lockDrawing && SDL_LockSurface(drawing) != 0) return;
    if (lockWindow && SDL_LockSurface(window) != 0) {
        if (lockDrawing) SDL_UnlockSurface(drawing);
        return;
    }
    Box boxes[kMaxRects];
    int count = 1;
    if (kWholeRects || !known || !exact)
        boxes[0] = r;
    else
        count = ChangedBoxes(r, boxes);
    SDL_Rect rects[kMaxRects];
    for (int i = 0; i < count; ++i) {
        const Box& b = boxes[i];
        Give(b);
        rects[i] = {static_cast<Sint16>(b.x0 * scale), static_cast<Sint16>(b.y0 * scale),
                    static_cast<Uint16>((b.x1 - b.x0) * scale),
                    static_cast<Uint16>((b.y1 - b.y0) * scale)};
        stats.updated += static_cast<uint64_t>(Area(b));
    }
    if (lockWindow) SDL_UnlockSurface(window);
    if (lockDrawing) SDL_UnlockSurface(drawing);
    if (Area(r) == static_cast<long>(kWidth) * kHeight) known = exact;
    if (count == 0) return;
    ++stats.handed;
    SDL_UpdateRects(window, count, rects);
}

DisplayStats klmr_DisplayStats() {
    return stats;
}
