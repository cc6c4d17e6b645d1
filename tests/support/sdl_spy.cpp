// Interposed SDL entry points that record calls for the tests, then forward them.
#include "sdl_spy.h"

#include <dlfcn.h>

#include <cstdlib>

static std::vector<sdlspy::Update> updates;
static std::vector<sdlspy::Play> plays;
// libSDL's SDL_UpdateRect calls SDL_UpdateRects through its exported symbol, which lands here
// too: while SDL_UpdateRect forwards, that inner call is not recorded a second time.
static bool forwardingUpdateRect = false;

#define REAL(fn) reinterpret_cast<decltype(&fn)>(dlsym(RTLD_NEXT, #fn))

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

void sdlspy::UseDummyDrivers(const char* audioDriver) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", audioDriver, 1);
}
