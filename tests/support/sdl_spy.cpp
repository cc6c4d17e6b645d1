// Interposed SDL entry points that record calls for the tests, then forward them.
#include "sdl_spy.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>

static std::vector<sdlspy::Update> updates;
static std::vector<sdlspy::Play> plays;
// libSDL's SDL_UpdateRect calls the exported SDL_UpdateRects: not recorded twice.
static bool forwardingUpdateRect = false;

// Each pixel of the video surface (32 bits, no alpha) as last handed to SDL; unknown
// where none was.
static constexpr Uint32 kUnknown = 0xffffffff;
static std::vector<Uint32> shown;

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

extern "C" void SDL_UpdateRects(SDL_Surface* s, int count, SDL_Rect* rects) {
    static auto real = REAL(SDL_UpdateRects);
    const bool video = s != nullptr && s == SDL_GetVideoSurface();
    if (video && shown.size() != size_t(s->w) * s->h) shown.assign(size_t(s->w) * s->h, kUnknown);
    for (int i = 0; i < count; ++i) {
        const SDL_Rect r = rects[i];
        if (!forwardingUpdateRect) updates.push_back({s, r.x, r.y, r.w, r.h});
        for (int y = std::max<int>(r.y, 0); video && y < std::min(r.y + r.h, s->h); ++y) {
            const Uint8* row = static_cast<const Uint8*>(s->pixels) + y * s->pitch;
            for (int x = std::max<int>(r.x, 0); x < std::min(r.x + r.w, s->w); ++x)
                shown[size_t(y) * s->w + x] = reinterpret_cast<const Uint32*>(row)[x];
        }
    }
    real(s, count, rects);
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
    static std::vector<Uint32> wide(65536);
    for (int v = 0; v < 65536; ++v)
        wide[v] = SDL_MapRGB(video->format, Uint8(v >> 11 << 3), Uint8(v >> 5 << 2), Uint8(v << 3));
    // The picture at the largest scale that fits, centred, black around it.
    const int n = std::max(1, std::min(video->w / s->w, video->h / s->h));
    const int left = (video->w - s->w * n) / 2, top = (video->h - s->h * n) / 2;
    for (size_t i = 0; i < shown.size(); ++i) {
        const int wx = int(i % video->w) - left, wy = int(i / video->w) - top;
        const int x = wx / n, y = wy / n; // on the picture when wx, wy >= 0 and x, y below s's
        const bool on = wx >= 0 && wy >= 0 && x < s->w && y < s->h;
        const Uint16 v = on ? static_cast<const Uint16*>(s->pixels)[y * s->pitch / 2 + x] : 0;
        if (shown[i] != (on ? wide[v] : 0))
            return testing::AssertionFailure() << "differs at " << wx << "," << wy;
    }
    return testing::AssertionSuccess();
}

void sdlspy::UseDummyDrivers(const char* audioDriver) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", audioDriver, 1);
}
