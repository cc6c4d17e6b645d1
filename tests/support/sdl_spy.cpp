// Interposed SDL entry points that record calls for the tests, then forward them.
#include "sdl_spy.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {
std::vector<sdlspy::Update> updates;
std::vector<sdlspy::Play> plays;
// libSDL's SDL_UpdateRect calls SDL_UpdateRects through its own exported symbol, which lands
// here too: while SDL_UpdateRect forwards, that inner call is not recorded a second time.
bool forwardingUpdateRect = false;

// The display copy: each pixel of the video surface (16 or 32 bits, no alpha) as last handed
// to SDL, kUnknown where nothing was. Plain loops over raw rows: millions of pixels per look.
constexpr Uint32 kUnknown = 0xffffffff;
std::vector<Uint32> shown;

void Show(SDL_Surface* video, SDL_Rect r) {
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

template <typename Fn>
Fn Real(const char* name) {
    void* sym = dlsym(RTLD_NEXT, name);
    if (sym == nullptr) abort();
    return reinterpret_cast<Fn>(sym);
}
} // namespace

extern "C" {

// A new window shows nothing known.
SDL_Surface* SDL_SetVideoMode(int w, int h, int bpp, Uint32 flags) {
    static auto real = Real<SDL_Surface* (*)(int, int, int, Uint32)>("SDL_SetVideoMode");
    shown.clear();
    return real(w, h, bpp, flags);
}

void SDL_UpdateRect(SDL_Surface* surface, Sint32 x, Sint32 y, Uint32 w, Uint32 h) {
    static auto real =
        Real<void (*)(SDL_Surface*, Sint32, Sint32, Uint32, Uint32)>("SDL_UpdateRect");
    updates.push_back({surface, x, y, w, h});
    forwardingUpdateRect = true;
    real(surface, x, y, w, h);
    forwardingUpdateRect = false;
}

void SDL_UpdateRects(SDL_Surface* surface, int count, SDL_Rect* rects) {
    static auto real = Real<void (*)(SDL_Surface*, int, SDL_Rect*)>("SDL_UpdateRects");
    for (int i = 0; i < count && !forwardingUpdateRect; ++i)
        updates.push_back({surface, rects[i].x, rects[i].y, rects[i].w, rects[i].h});
    for (int i = 0; i < count && surface != nullptr && surface == SDL_GetVideoSurface(); ++i)
        Show(surface, rects[i]);
    real(surface, count, rects);
}

int Mix_PlayChannelTimed(int channel, Mix_Chunk* chunk, int loops, int ticks) {
    static auto real = Real<int (*)(int, Mix_Chunk*, int, int)>("Mix_PlayChannelTimed");
    plays.push_back({channel, chunk, loops, ticks});
    return real(channel, chunk, loops, ticks);
}

} // extern "C"

namespace sdlspy {

void Reset() {
    updates.clear();
    plays.clear();
}

const std::vector<Update>& Updates() {
    return updates;
}

const std::vector<Play>& Plays() {
    return plays;
}

testing::AssertionResult Shows(const SDL_Surface* s) {
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

void UseDummyDrivers(const char* audioDriver) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", audioDriver, 1);
}

} // namespace sdlspy
