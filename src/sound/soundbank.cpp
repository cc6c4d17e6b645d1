// Sound bank: sixteen numbered slots of sound effects over SDL_mixer.
#include "soundbank.h"

#include "files.h"
#include "wavcheck.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <vector>

SoundBank soundBank = {};

namespace {
bool ValidSlot(int slot) {
    return slot >= 0 && slot < kSoundSlots;
}
} // namespace

int klmr_SoundOpen() {
    // Reopening an open bank would drop its chunks and nest the mixer's open count, so one
    // stray Close would no longer close it: release everything first (a no-op unless open).
    klmr_SoundClose();
    soundBank = {};

    if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0) return -2;
    soundBank.audioInit = true;

    if (Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 512) < 0) {
        puts(SDL_GetError());
        return -1;
    }
    soundBank.mixerOpen = true;
    return 0;
}

void klmr_SoundClose() {
    if (!soundBank.audioInit || !soundBank.mixerOpen) return;
    Mix_HaltChannel(-1);
    Mix_HaltMusic();
    Mix_CloseAudio();
    for (Mix_Chunk*& chunk : soundBank.chunks) {
        if (chunk != nullptr) Mix_FreeChunk(chunk);
        chunk = nullptr;
    }
    // The audio subsystem stays started until SDL_Quit.
    soundBank.audioInit = false;
    soundBank.mixerOpen = false;
}

int klmr_SoundLoad(int slot, const char* path) {
    if (!ValidSlot(slot)) return -1;

    // The old chunk goes before the load, so a failed load leaves the slot empty rather than
    // keeping the previous sound. Mix_FreeChunk stops any channel still playing it.
    Mix_Chunk*& chunk = soundBank.chunks[slot];
    if (chunk != nullptr) {
        Mix_FreeChunk(chunk);
        chunk = nullptr;
    }

    // The file is read whole and its header checked before the mixer sees it: the mixer would
    // block on a FIFO and crash on a header it cannot convert. A refused file fails like a
    // missing one, its reason standing in for the library's error text.
    FileBytes bytes;
    WavChunks chunks = {};
    char why[160];
    if (klmr_ReadDataFile(path, &bytes, why, sizeof why) != 0) {
        SDL_SetError("%s", why);
    } else if (char reason[120];
               !klmr_WavCheck(bytes.data, bytes.size, reason, sizeof reason, &chunks)) {
        SDL_SetError("%s: %s", path, reason);
    } else {
        // The mixer gets the plain form of the file (see wavcheck.h) and copies the samples out;
        // the load closes the stream either way. Its refusal names the file, as every other does.
        std::vector<unsigned char> plain(klmr_WavPlainSize(&chunks));
        klmr_WavWritePlain(bytes.data, &chunks, plain.data());
        SDL_RWops* stream = SDL_RWFromConstMem(plain.data(), static_cast<int>(plain.size()));
        if (stream != nullptr) chunk = Mix_LoadWAV_RW(stream, 1);
        if (chunk == nullptr) {
            char mixer[160];
            snprintf(mixer, sizeof mixer, "%s", SDL_GetError());
            SDL_SetError("%s: %s", path, mixer);
        }
    }
    klmr_FreeFileBytes(&bytes);
    if (chunk == nullptr) {
        puts(SDL_GetError());
        return -1;
    }
    return 0;
}

int klmr_SoundPlay(int /*channel: always the first free one*/, int slot, int loops,
                   unsigned int volumePercent) {
    if (!soundBank.mixerOpen || !ValidSlot(slot) || soundBank.chunks[slot] == nullptr) return -1;
    int ch = Mix_PlayChannelTimed(-1, soundBank.chunks[slot], loops, -1);
    // Clamp before scaling so a huge percentage cannot overflow. With ch == -1 (no free
    // channel) the mixer sets every channel's volume.
    Mix_Volume(ch, static_cast<int>(std::min(volumePercent, 100u) * 128 / 100));
    return ch;
}
