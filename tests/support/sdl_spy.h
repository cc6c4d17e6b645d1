// Records what the code under test asks of SDL without changing what SDL does.
//
// The test binaries define SDL_SetVideoMode, SDL_UpdateRect, SDL_UpdateRects and
// Mix_PlayChannelTimed themselves; the definitions record the call and forward it to the real
// library (found with dlsym(RTLD_NEXT)). The production code is unchanged: the linker simply binds
// its calls to these first.
#pragma once

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

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

// What the display shows as far as SDL was told: every rectangle handed to SDL_UpdateRects of the
// video surface (SDL_UpdateRect passes through it) is copied from the surface's pixels at that
// moment. Success when that copy equals `s` enlarged to the video surface's size (a scale of
// video width / s width), else the first pixel of `s` that differs (or was never shown).
testing::AssertionResult Shows(const SDL_Surface* s);

// Every Mix_PlayChannelTimed since the last Reset.
const std::vector<Play>& Plays();

// Sets SDL_VIDEODRIVER=dummy and SDL_AUDIODRIVER=dummy (or the given audio driver) in this
// process. Call before SDL_Init.
void UseDummyDrivers(const char* audioDriver = "dummy");

} // namespace sdlspy
