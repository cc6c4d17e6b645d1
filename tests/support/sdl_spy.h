// Records what the code under test asks of SDL without changing what SDL does.
//
// The test binaries define SDL_UpdateRect, SDL_UpdateRects and Mix_PlayChannelTimed
// themselves; the definitions record the call and forward it to the real library
// (found with dlsym(RTLD_NEXT)). The production code is unchanged: the linker simply binds
// its calls to these first.
#pragma once

#include <SDL.h>
#include <SDL_mixer.h>

#include <vector>

namespace sdlspy {

struct Update {
    SDL_Surface* surface;
    Sint32 x, y;
    Uint32 w, h;
    bool operator==(const Update&) const = default;
};

struct Play {
    int channel;
    Mix_Chunk* chunk;
    int loops;
    int ticks;
};

// Forgets everything recorded so far.
void Reset();

// Every SDL_UpdateRect (and each rectangle of SDL_UpdateRects) since the last Reset.
const std::vector<Update>& Updates();

// Every Mix_PlayChannelTimed since the last Reset.
const std::vector<Play>& Plays();

// Sets SDL_VIDEODRIVER=dummy and SDL_AUDIODRIVER=dummy (or the given audio driver) in this
// process. Call before SDL_Init.
void UseDummyDrivers(const char* audioDriver = "dummy");

} // namespace sdlspy
