// Sound bank: sixteen numbered slots of sound effects over SDL_mixer.
//
// States: closed (both flags clear); audio only (the audio subsystem started but the mixer
// refused); open (both set). Only open plays anything. The bank owns the chunks it loads.
#pragma once

#include <SDL_mixer.h>

inline constexpr int kSoundSlots = 16;
inline constexpr int kSoundSwap = 0;  // "data/sfx/swap.wav": every quarter turn
inline constexpr int kSoundClick = 1; // "data/sfx/click.wav": menu click, test mode, count-up

struct SoundBank {
    Mix_Chunk* chunks[kSoundSlots]; // an empty slot holds null
    bool audioInit;                 // the audio subsystem was started by klmr_SoundOpen
    bool mixerOpen;                 // the mixer device is open
};

extern SoundBank soundBank;

// Starts the audio subsystem and opens the mixer (22050 Hz, S16LSB, stereo, 512 frames):
// 0 open; -2 the audio subsystem failed; -1 the mixer failed (its error text on stdout).
int klmr_SoundOpen();

// When open: halts every channel and the music, closes the mixer, frees every chunk and goes
// back to closed. Otherwise does nothing. Safe to call twice and from atexit.
void klmr_SoundClose();

// Loads a WAV file into slot 0..15, freeing what the slot held: 0, or -1 (bad slot, or the
// load failed: its error text on stdout and the slot is empty).
int klmr_SoundLoad(int slot, const char* path);

// Plays a slot on the first free channel (channel is not used), loops extra repetitions, at
// volumePercent (above 100 counts as 100): the channel used, or -1.
int klmr_SoundPlay(int channel, int slot, int loops, unsigned int volumePercent);
