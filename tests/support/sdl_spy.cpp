// Interposed SDL entry points that record calls for the tests, then forward them.
#include "sdl_spy.h"

#include <dlfcn.h>

#include <cstdlib>

namespace {
std::vector<sdlspy::Update> updates;
std::vector<sdlspy::Play> plays;
// libSDL's SDL_UpdateRect calls SDL_UpdateRects through its own exported symbol, which lands
// here too: while SDL_UpdateRect forwards, that inner call is not recorded a second time.
bool forwardingUpdateRect = false;

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

void UseDummyDrivers(const char* audioDriver) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", audioDriver, 1);
}

} // namespace sdlspy
