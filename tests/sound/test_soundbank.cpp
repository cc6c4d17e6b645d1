// Sound bank tests in its three states, with the generated sounds of data/sfx.
#include "sdl_spy.h"
#include "soundbank.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

static bool failAudioInit = false;
static std::vector<Mix_Chunk*> freed;

// Classic SDL 1.2 starts its audio subsystem whatever the driver, so its refusal is forced here.
extern "C" int SDL_InitSubSystem(Uint32 flags) {
    static auto real = reinterpret_cast<int (*)(Uint32)>(dlsym(RTLD_NEXT, "SDL_InitSubSystem"));
    return failAudioInit && (flags & SDL_INIT_AUDIO) ? -1 : real(flags);
}

extern "C" void Mix_FreeChunk(Mix_Chunk* chunk) {
    static auto real = reinterpret_cast<void (*)(Mix_Chunk*)>(dlsym(RTLD_NEXT, "Mix_FreeChunk"));
    freed.push_back(chunk);
    real(chunk);
}

const char *const kSwapWav = "data/sfx/swap.wav", *const kClickWav = "data/sfx/click.wav";

template <typename F>
std::string Stdout(F f) {
    testing::internal::CaptureStdout();
    f();
    return testing::internal::GetCapturedStdout();
}

TEST(SoundBank, OpenPlaysLoadsFreesAndCloses) {
    sdlspy::UseDummyDrivers();
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    EXPECT_EQ(Stdout([] { EXPECT_EQ(klmr_SoundOpen(), 0); }), "");
    ASSERT_EQ(klmr_SoundLoad(kSoundSwap, kSwapWav), 0);
    ASSERT_EQ(klmr_SoundLoad(kSoundClick, kClickWav), 0);
    for (auto [percent, volume] :
         {std::pair{100u, 128}, {250u, 128}, {0u, 0}, {50u, 64}, {99u, 126}, {1u << 25, 128}}) {
        Mix_HaltChannel(-1);
        const int ch = klmr_SoundPlay(5, kSoundClick, 2, percent); // 5 is not used
        EXPECT_TRUE(ch >= 0 && Mix_Volume(ch, -1) == volume) << percent;
        const sdlspy::Play p = sdlspy::Plays().back();
        EXPECT_TRUE(p.channel == -1 && p.chunk == soundBank.chunks[kSoundClick] && p.loops == 2 &&
                    p.ticks == -1);
    }
    // No free channel: -1, and the volume goes to every channel. Bad and empty slots: -1.
    while (klmr_SoundPlay(-1, kSoundSwap, -1, 100) >= 0) {
    }
    EXPECT_EQ(klmr_SoundPlay(-1, kSoundSwap, 0, 50), -1);
    EXPECT_TRUE(Mix_Volume(0, -1) == 64 && Mix_Volume(Mix_AllocateChannels(-1) - 1, -1) == 64);
    Mix_HaltChannel(-1);
    for (int slot : {kSoundSlots, -1, 2, kSoundSlots - 1})
        EXPECT_EQ(klmr_SoundPlay(-1, slot, 0, 100), -1) << slot;

    // A load frees what the slot held, even while it plays; a failed load prints the error and
    // leaves the slot empty; a bad slot fails silently.
    EXPECT_EQ(Stdout([] { EXPECT_EQ(klmr_SoundLoad(kSoundSlots, kSwapWav), -1); }), "");
    Mix_Chunk* first = soundBank.chunks[kSoundSwap];
    ASSERT_GE(klmr_SoundPlay(-1, kSoundSwap, -1, 100), 0);
    ASSERT_EQ(klmr_SoundLoad(kSoundSwap, kClickWav), 0);
    Mix_Chunk* second = soundBank.chunks[kSoundSwap];
    for (const char* bad : {"data/sfx/none.wav", "data/gfx/pic1.bmp", (const char*)nullptr}) {
        const std::string out = Stdout([bad] { EXPECT_EQ(klmr_SoundLoad(kSoundSwap, bad), -1); });
        EXPECT_TRUE(out.size() > 1 && out == std::string(SDL_GetError()) + "\n") << out;
    }
    EXPECT_EQ(freed, (std::vector<Mix_Chunk*>{first, second}));
    EXPECT_EQ(klmr_SoundPlay(-1, kSoundSwap, 0, 100), -1);
    // Reopening releases the open bank first; Close frees the chunks and closes the mixer, once.
    ASSERT_EQ(klmr_SoundOpen(), 0);
    EXPECT_TRUE(freed.size() == 3 && !soundBank.chunks[kSoundClick]);
    ASSERT_EQ(klmr_SoundLoad(kSoundClick, kClickWav), 0);
    klmr_SoundClose();
    klmr_SoundClose();
    EXPECT_TRUE(freed.size() == 4 && !soundBank.chunks[kSoundClick] && !soundBank.mixerOpen);
    EXPECT_TRUE(Mix_QuerySpec(nullptr, nullptr, nullptr) == 0 && !soundBank.audioInit);
    SDL_Quit();
}

TEST(SoundBank, AudioOnlyAndClosedStatesPlayNothing) {
    const size_t plays = sdlspy::Plays().size(), frees = freed.size();
    sdlspy::UseDummyDrivers("none"); // the mixer fails: audio only
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    const std::string out = Stdout([] { EXPECT_EQ(klmr_SoundOpen(), -1); });
    EXPECT_TRUE(out.size() > 1 && out == std::string(SDL_GetError()) + "\n") << out;
    EXPECT_TRUE(soundBank.audioInit && !soundBank.mixerOpen);
    EXPECT_GT(Stdout([] { EXPECT_EQ(klmr_SoundLoad(kSoundSwap, kSwapWav), -1); }).size(), 1u);
    EXPECT_EQ(klmr_SoundPlay(-1, kSoundSwap, 0, 100), -1);
    klmr_SoundClose(); // does nothing: the bank stays audio only
    EXPECT_TRUE(soundBank.audioInit);

    failAudioInit = true; // closed: the audio subsystem fails
    EXPECT_EQ(Stdout([] { EXPECT_EQ(klmr_SoundOpen(), -2); }), "");
    EXPECT_TRUE(!soundBank.audioInit && !soundBank.mixerOpen);
    Stdout([] { EXPECT_EQ(klmr_SoundLoad(kSoundSwap, kSwapWav), -1); });
    EXPECT_EQ(klmr_SoundPlay(-1, kSoundSwap, 0, 100), -1);
    EXPECT_TRUE(sdlspy::Plays().size() == plays && freed.size() == frees);
    SDL_Quit();
}
