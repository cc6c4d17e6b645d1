// Fuzz target: any bytes as a sound file. The header check stays within the bytes, says why it
// refuses, and the plain form of whatever it passes the mixer loads, without crashing and without
// refusing it: the mixer itself, open on the dummy audio driver, judges the check.
//
// A header the check wrongly passed (0 channels, an absurd rate) would overflow the mixer's
// stack while it builds its conversion, which libFuzzer reports as a crash with the input.
#include "wavcheck.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    // The mixer's format, as the game opens it.
    if (SDL_Init(SDL_INIT_AUDIO) < 0 || Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 512) < 0) {
        fprintf(stderr, "cannot open the mixer: %s\n", SDL_GetError());
        abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    char why[128];
    memset(why, 0x5A, sizeof why);
    WavChunks chunks = {};
    if (!klmr_WavCheck(data, size, why, sizeof why, &chunks)) {
        if (memchr(why, '\0', sizeof why) == nullptr || why[0] == '\0') {
            fprintf(stderr, "a refusal without its reason\n");
            abort();
        }
        return 0;
    }
    // As the game does: the mixer gets the plain form of what passed.
    std::vector<unsigned char> plain(klmr_WavPlainSize(&chunks));
    klmr_WavWritePlain(data, &chunks, plain.data());
    Mix_Chunk* chunk =
        Mix_LoadWAV_RW(SDL_RWFromConstMem(plain.data(), static_cast<int>(plain.size())), 1);
    if (chunk == nullptr) {
        fprintf(stderr, "the mixer refused what the check passed: %s\n", Mix_GetError());
        abort();
    }
    Mix_FreeChunk(chunk);
    return 0;
}
