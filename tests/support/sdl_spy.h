// Records what the code under test asks of SDL without changing what SDL does: the test binaries
// define these SDL entry points themselves, record the call and forward it (dlsym RTLD_NEXT).
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
    int loops, ticks;
};

void Reset();
// Every SDL_UpdateRect (and each rectangle of SDL_UpdateRects) since the last Reset.
const std::vector<Update>& Updates();
// Whether the display, as copied from the video surface at each SDL_UpdateRects, is `s` at the
// largest scale the window fits, centred, black around it; else the first pixel that differs.
testing::AssertionResult Shows(const SDL_Surface* s);
const std::vector<Play>& Plays(); // every Mix_PlayChannelTimed since the last Reset
// Sets SDL_VIDEODRIVER=dummy and SDL_AUDIODRIVER; call before SDL_Init.
void UseDummyDrivers(const char* audioDriver = "dummy");

} // namespace sdlspy
