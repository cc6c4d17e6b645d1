// Interposed SDL entry points that record calls for the tests, then forward them.
#include "sdl_spy.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

static std::vector<sdlspy::Update> updates;
static std::vector<sdlspy::Play> plays;
// libSDL's SDL_UpdateRect calls SDL_UpdateRects through its exported symbol, which lands here
// too: while SDL_UpdateRect forwards, that inner call is not recorded a second time.
static bool forwardingUpdateRect = false;

// The display copy: each pixel of the video surface (16 or 32 bits, no alpha) as last handed
// to SDL, kUnknown where nothing was. Plain loops over raw rows: millions of pixels per look.
static constexpr Uint32 kUnknown = 0xffffffff;
static std::vector<Uint32> shown;

static void Show(SDL_Surface* video, SDL_Rect r) {
    if (shown.size() != size_t(video->w) * video->h)
        shown.assign(size_t(video->w) * video->h, kUnknown);
    const int bytes = video->format->BytesPerPixel;
    for (int y = std::max<int>(r.y, 0); y < std::min(r.y + r.h, video->h); ++y) {
        const Uint8* from = static_cast<const Uint8*>(video->pixels) + y * video->pitch;
        for (int x = std::max<int>(r.x, 0); x < std::min(r.x + r.w, video->w); ++x)
            shown[size_t(y) * video->w + x] = bytes == 4 ? reinterpret_cast<const Uint32*>(from)[x]
                                                         : reinterpret_cast<const Uint16*>(from)[x];
    }
}

#define REAL(fn) reinterpret_cast<decltype(&fn)>(dlsym(RTLD_NEXT, #fn))

// A new window shows nothing known.
extern "C" SDL_Surface* SDL_SetVideoMode(int w, int h, int bpp, Uint32 flags) {
    static auto real = REAL(SDL_SetVideoMode);
    shown.clear();
    return real(w, h, bpp, flags);
}

extern "C" void SDL_UpdateRect(SDL_Surface* surface, Sint32 x, Sint32 y, Uint32 w, Uint32 h) {
    static auto real = REAL(SDL_UpdateRect);
    updates.push_back({surface, x, y, w, h});
    forwardingUpdateRect = true;
    real(surface, x, y, w, h);
    forwardingUpdateRect = false;
}

extern "C" void SDL_UpdateRects(SDL_Surface* surface, int count, SDL_Rect* rects) {
    static auto real = REAL(SDL_UpdateRects);
    for (int i = 0; i < count && !forwardingUpdateRect; ++i)
        updates.push_back({surface, rects[i].x, rects[i].y, rects[i].w, rects[i].h});
    for (int i = 0; i < count && surface != nullptr && surface == SDL_GetVideoSurface(); ++i)
        Show(surface, rects[i]);
    real(surface, count, rects);
}

extern "C" int Mix_PlayChannelTimed(int channel, Mix_Chunk* chunk, int loops, int ticks) {
    static auto real = REAL(Mix_PlayChannelTimed);
    plays.push_back({channel, chunk, loops, ticks});
    return real(channel, chunk, loops, ticks);
}

void sdlspy::Reset() {
    updates.clear();
    plays.clear();
}

const std::vector<sdlspy::Update>& sdlspy::Updates() {
    return updates;
}

const std::vector<sdlspy::Play>& sdlspy::Plays() {
    return plays;
}

testing::AssertionResult sdlspy::Shows(const SDL_Surface* s) {
    const SDL_Surface* video = SDL_GetVideoSurface();
    if (video == nullptr || shown.size() != size_t(video->w) * video->h)
        return testing::AssertionFailure() << "nothing was shown";
    // A 16-bit pixel in a 32-bit window: each component shifted up, as SDL's blits convert it.
    const SDL_PixelFormat* f = video->format;
    static std::vector<Uint32> wide(65536);
    static Uint32 wideMasks[2] = {};
    if (f->BytesPerPixel == 4 && !(wideMasks[0] == f->Rmask && wideMasks[1] == f->Gmask)) {
        for (int v = 0; v < 65536; ++v)
            wide[v] = SDL_MapRGB(f, Uint8(v >> 11 << 3), Uint8(v >> 5 << 2), Uint8(v << 3));
        wideMasks[0] = f->Rmask, wideMasks[1] = f->Gmask;
    }
    const int n = video->w / s->w;
    std::vector<Uint32> expected(video->w);
    Uint32* row = expected.data();
    for (int y = 0; y < s->h; ++y) {
        const Uint16* from = static_cast<const Uint16*>(s->pixels) + y * s->pitch / 2;
        for (int x = 0; x < s->w; ++x) // a row of s, enlarged
            for (int k = 0; k < n; ++k)
                row[x * n + k] = f->BytesPerPixel == 4 ? wide.data()[from[x]] : from[x];
        for (int k = 0; k < n; ++k) {
            const Uint32* got = shown.data() + size_t(y * n + k) * video->w;
            if (memcmp(row, got, sizeof(Uint32) * video->w) == 0) continue;
            int x = 0;
            while (row[x] == got[x])
                ++x;
            return testing::AssertionFailure() << "differs at " << x / n << "," << y;
        }
    }
    return testing::AssertionSuccess();
}

void sdlspy::UseDummyDrivers(const char* audioDriver) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", audioDriver, 1);
}
