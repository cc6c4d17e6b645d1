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

// The game's surfaces have 16-bit pixels; the video surface 16 or (a scaled window) 32.
const Uint16* Row(const SDL_Surface* s, int y) {
    return static_cast<const Uint16*>(s->pixels) + y * s->pitch / 2;
}
Uint32 Pixel(const SDL_Surface* video, int x, int y) {
    const Uint8* row = static_cast<const Uint8*>(video->pixels) + y * video->pitch;
    return video->format->BytesPerPixel == 4 ? reinterpret_cast<const Uint32*>(row)[x]
                                             : reinterpret_cast<const Uint16*>(row)[x];
}

// The display copy, and how many of its pixels were never given.
std::vector<Uint32> shown;
std::vector<bool> given;
size_t unknown = 0;
int shownW = 0, shownH = 0;

void Show(SDL_Surface* video, SDL_Rect r) {
    if (video->w != shownW || video->h != shownH) {
        shownW = video->w, shownH = video->h, unknown = size_t(shownW) * shownH;
        shown.assign(unknown, 0), given.assign(unknown, false);
    }
    for (int y = std::max<int>(r.y, 0); y < std::min(r.y + r.h, video->h); ++y)
        for (int x = std::max<int>(r.x, 0); x < std::min(r.x + r.w, video->w); ++x) {
            const size_t i = size_t(y) * shownW + x;
            unknown -= !given[i], given[i] = true, shown[i] = Pixel(video, x, y);
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
    if (s == nullptr || video == nullptr || video->w != shownW || unknown > 0)
        return testing::AssertionFailure() << "the display was not given every pixel";
    // A 16-bit pixel in a 32-bit window: each component shifted up, as SDL's blits convert.
    static std::vector<Uint32> wide(65536);
    static Uint32 wideMasks = 0;
    const Uint32 masks = video->format->Rmask ^ video->format->Gmask << 1 ^ video->format->Bmask;
    for (int v = 0; v < 65536 && video->format->BytesPerPixel == 4 && masks != wideMasks; ++v)
        wide[v] = SDL_MapRGB(video->format, Uint8(v >> 11 << 3), Uint8(v >> 5 << 2), Uint8(v << 3));
    wideMasks = video->format->BytesPerPixel == 4 ? masks : 0;
    const int n = video->w / s->w;
    std::vector<Uint32> row(shownW);
    for (int y = 0; y < s->h; ++y) {
        for (int x = 0; x < s->w; ++x) { // a row of s, enlarged
            const Uint16 v = Row(s, y)[x];
            std::fill_n(&row[size_t(x) * n], n, video->format->BytesPerPixel == 4 ? wide[v] : v);
        }
        for (int k = 0; k < n; ++k) {
            const Uint32* got = &shown[size_t(y * n + k) * shownW];
            if (memcmp(row.data(), got, row.size() * 4) != 0)
                return testing::AssertionFailure()
                       << "differs at "
                       << (std::mismatch(row.begin(), row.end(), got).first - row.begin()) / n
                       << "," << y;
        }
    }
    return testing::AssertionSuccess();
}

void UseDummyDrivers(const char* audioDriver) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", audioDriver, 1);
}

} // namespace sdlspy
