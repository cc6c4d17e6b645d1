// Tests of the sound bank in its three states: open (dummy driver), audio only (driver "none"),
// closed (audio subsystem refused).
#include "sdl_spy.h"
#include "soundbank.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

bool failAudioInit = false;
std::vector<Mix_Chunk*> freedChunks;

template <typename Fn>
Fn Real(const char* name) {
    void* sym = dlsym(RTLD_NEXT, name);
    if (sym == nullptr) abort();
    return reinterpret_cast<Fn>(sym);
}

} // namespace

extern "C" {

// Classic SDL 1.2 starts its audio subsystem whatever the driver (a missing one only makes
// Mix_OpenAudio fail), so the refused-subsystem path is forced here.
int SDL_InitSubSystem(Uint32 flags) {
    static auto real = Real<int (*)(Uint32)>("SDL_InitSubSystem");
    if (failAudioInit && (flags & SDL_INIT_AUDIO) != 0) {
        SDL_SetError("audio refused by the test");
        return -1;
    }
    return real(flags);
}

void Mix_FreeChunk(Mix_Chunk* chunk) {
    static auto real = Real<void (*)(Mix_Chunk*)>("Mix_FreeChunk");
    if (chunk != nullptr) freedChunks.push_back(chunk);
    real(chunk);
}

} // extern "C"

namespace {

// A 16-bit mono PCM WAV at 22050 Hz holding a quiet square wave.
void WriteWav(const std::string& path, uint32_t frames) {
    std::string b;
    auto put = [&b](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            b += static_cast<char>((v >> (8 * i)) & 0xff);
    };
    b += "RIFF";
    put(36 + frames * 2, 4);
    b += "WAVEfmt ";
    put(16, 4);
    put(1, 2);         // PCM
    put(1, 2);         // mono
    put(22050, 4);     // sample rate
    put(22050 * 2, 4); // byte rate
    put(2, 2);         // block align
    put(16, 2);        // bits per sample
    b += "data";
    put(frames * 2, 4);
    for (uint32_t i = 0; i < frames; ++i)
        put((i / 25) % 2 ? 1000 : static_cast<uint16_t>(-1000), 2);
    std::ofstream(path, std::ios::binary) << b;
}

template <typename F>
std::string Stdout(F f) {
    testing::internal::CaptureStdout();
    f();
    return testing::internal::GetCapturedStdout();
}

int Volume(int channel) {
    return Mix_Volume(channel, -1);
}

int OpenMixers() {
    int freq = 0, channels = 0;
    Uint16 format = 0;
    return Mix_QuerySpec(&freq, &format, &channels);
}

class SoundBankTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        char tmpl[] = "/tmp/kelmora-sound-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        swap = dir + "/swap.wav";
        click = dir + "/click.wav";
        garbage = dir + "/garbage.wav";
        missing = dir + "/missing.wav";
        WriteWav(swap, 2205);
        WriteWav(click, 441);
        std::ofstream(garbage, std::ios::binary) << "this is no sound at all\x01\x02\x03";
    }
    static void TearDownTestSuite() {
        for (const std::string& f : {swap, click, garbage})
            unlink(f.c_str());
        rmdir(dir.c_str());
    }

    void SetUp() override {
        sdlspy::UseDummyDrivers();
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        sdlspy::Reset();
        freedChunks.clear();
    }
    void TearDown() override {
        klmr_SoundClose();
        soundBank = {};          // the audio-only state survives Close by design
        while (OpenMixers() > 0) // a failed test must not leave the mixer open for the next
            Mix_CloseAudio();
        failAudioInit = false;
        SDL_Quit();
    }

    void OpenWithSounds() {
        ASSERT_EQ(klmr_SoundOpen(), 0) << SDL_GetError();
        ASSERT_EQ(klmr_SoundLoad(kSoundSwap, swap.c_str()), 0);
        ASSERT_EQ(klmr_SoundLoad(kSoundClick, click.c_str()), 0);
    }

    static inline std::string dir, swap, click, garbage, missing;
};

TEST_F(SoundBankTest, OpenBankPlaysOnFirstFreeChannelAtFullVolume) {
    std::string out = Stdout([] { EXPECT_EQ(klmr_SoundOpen(), 0); });
    EXPECT_EQ(out, "");
    EXPECT_TRUE(soundBank.audioInit);
    EXPECT_TRUE(soundBank.mixerOpen);
    EXPECT_EQ(klmr_SoundLoad(kSoundSwap, swap.c_str()), 0);
    EXPECT_EQ(klmr_SoundLoad(kSoundClick, click.c_str()), 0);

    int ch = klmr_SoundPlay(-1, kSoundClick, 0, 100);
    ASSERT_GE(ch, 0);
    EXPECT_EQ(Volume(ch), 128);
    // The channel argument is ignored: 5 asks for the first free channel too.
    int ch2 = klmr_SoundPlay(5, kSoundClick, 2, 100);
    ASSERT_GE(ch2, 0);
    EXPECT_NE(ch2, ch);

    const auto& plays = sdlspy::Plays();
    ASSERT_EQ(plays.size(), 2u);
    for (const sdlspy::Play& p : plays) {
        EXPECT_EQ(p.channel, -1);
        EXPECT_EQ(p.chunk, soundBank.chunks[kSoundClick]);
        EXPECT_EQ(p.ticks, -1);
    }
    EXPECT_EQ(plays[0].loops, 0);
    EXPECT_EQ(plays[1].loops, 2);
}

TEST_F(SoundBankTest, VolumeIsPercentOf128ClampedAt100) {
    OpenWithSounds();
    const struct {
        unsigned int percent;
        int volume;
    } cases[] = {{100, 128},
                 {250, 128},
                 {0, 0},
                 {1, 1},
                 {50, 64},
                 {99, 126},
                 // 2^25 * 128 wraps to 0 in 32 bits unless clamped first.
                 {1u << 25, 128},
                 {UINT_MAX, 128}};
    for (const auto& c : cases) {
        Mix_HaltChannel(-1);
        int ch = klmr_SoundPlay(-1, kSoundSwap, 0, c.percent);
        ASSERT_GE(ch, 0);
        EXPECT_EQ(Volume(ch), c.volume) << "percent " << c.percent;
    }
}

TEST_F(SoundBankTest, NoFreeChannelReturnsMinusOneAndSetsEveryChannelsVolume) {
    OpenWithSounds();
    int channels = Mix_AllocateChannels(-1);
    for (int i = 0; i < channels; ++i)
        ASSERT_GE(klmr_SoundPlay(-1, kSoundSwap, -1, 100), 0); // loops forever
    EXPECT_EQ(klmr_SoundPlay(-1, kSoundSwap, 0, 50), -1);
    EXPECT_EQ(sdlspy::Plays().size(), static_cast<size_t>(channels) + 1);
    for (int i = 0; i < channels; ++i)
        EXPECT_EQ(Volume(i), 64) << "channel " << i;
}

TEST_F(SoundBankTest, BadAndEmptySlotsPlayNothing) {
    OpenWithSounds();
    for (int slot : {kSoundSlots, -1, 2, kSoundSlots - 1})
        EXPECT_EQ(klmr_SoundPlay(-1, slot, 0, 100), -1) << "slot " << slot;
    EXPECT_TRUE(sdlspy::Plays().empty());
}

TEST_F(SoundBankTest, FailedLoadsReportTheErrorAndLeaveTheSlotEmpty) {
    ASSERT_EQ(klmr_SoundOpen(), 0);
    // A bad slot fails before any file is opened: no error text at all.
    std::string out = Stdout([] {
        EXPECT_EQ(klmr_SoundLoad(kSoundSlots, missing.c_str()), -1);
        EXPECT_EQ(klmr_SoundLoad(-1, swap.c_str()), -1);
    });
    EXPECT_EQ(out, "");

    out = Stdout([] { EXPECT_EQ(klmr_SoundLoad(3, missing.c_str()), -1); });
    EXPECT_EQ(out, std::string(SDL_GetError()) + "\n");
    EXPECT_NE(out.find(missing), std::string::npos) << out; // the open's error, not the mixer's

    for (const char* path : {garbage.c_str(), static_cast<const char*>(nullptr)}) {
        out = Stdout([path] { EXPECT_EQ(klmr_SoundLoad(3, path), -1); });
        EXPECT_EQ(out, std::string(SDL_GetError()) + "\n");
        EXPECT_GT(out.size(), 1u);
        EXPECT_EQ(soundBank.chunks[3], nullptr);
    }
}

TEST_F(SoundBankTest, ReloadFreesTheOldChunkEvenWhilePlaying) {
    OpenWithSounds();
    Mix_Chunk* first = soundBank.chunks[kSoundSwap];
    ASSERT_GE(klmr_SoundPlay(-1, kSoundSwap, -1, 100), 0); // still playing when replaced
    EXPECT_EQ(klmr_SoundLoad(kSoundSwap, click.c_str()), 0);
    EXPECT_EQ(freedChunks, std::vector<Mix_Chunk*>{first});
    Mix_Chunk* second = soundBank.chunks[kSoundSwap];
    ASSERT_NE(second, nullptr);
    EXPECT_GE(klmr_SoundPlay(-1, kSoundSwap, 0, 100), 0);

    // A failed reload has already freed the old sound: the slot is empty, not stale.
    Stdout([] { EXPECT_EQ(klmr_SoundLoad(kSoundSwap, garbage.c_str()), -1); });
    EXPECT_EQ(freedChunks, (std::vector<Mix_Chunk*>{first, second}));
    EXPECT_EQ(soundBank.chunks[kSoundSwap], nullptr);
    EXPECT_EQ(klmr_SoundPlay(-1, kSoundSwap, 0, 100), -1);
}

TEST_F(SoundBankTest, CloseFreesEveryChunkAndASecondCloseDoesNothing) {
    OpenWithSounds();
    Mix_Chunk* swapChunk = soundBank.chunks[kSoundSwap];
    Mix_Chunk* clickChunk = soundBank.chunks[kSoundClick];
    ASSERT_GE(klmr_SoundPlay(-1, kSoundClick, -1, 100), 0);

    klmr_SoundClose();
    EXPECT_EQ(freedChunks, (std::vector<Mix_Chunk*>{swapChunk, clickChunk}));
    EXPECT_FALSE(soundBank.audioInit);
    EXPECT_FALSE(soundBank.mixerOpen);
    for (Mix_Chunk* c : soundBank.chunks)
        EXPECT_EQ(c, nullptr);
    EXPECT_EQ(OpenMixers(), 0);
    EXPECT_EQ(klmr_SoundPlay(-1, kSoundClick, 0, 100), -1);

    klmr_SoundClose();
    EXPECT_EQ(freedChunks.size(), 2u);
    EXPECT_EQ(sdlspy::Plays().size(), 1u);
}

TEST_F(SoundBankTest, ReopeningReleasesTheOpenBankFirst) {
    OpenWithSounds();
    ASSERT_EQ(klmr_SoundOpen(), 0);
    EXPECT_EQ(freedChunks.size(), 2u);
    for (Mix_Chunk* c : soundBank.chunks)
        EXPECT_EQ(c, nullptr);
    klmr_SoundClose();
    EXPECT_EQ(OpenMixers(), 0); // one Close undoes the reopened mixer
}

TEST_F(SoundBankTest, AudioOnlyWhenTheMixerRefuses) {
    sdlspy::UseDummyDrivers("none");
    std::string out = Stdout([] { EXPECT_EQ(klmr_SoundOpen(), -1); });
    EXPECT_EQ(out, std::string(SDL_GetError()) + "\n");
    EXPECT_GT(out.size(), 1u);
    EXPECT_TRUE(soundBank.audioInit);
    EXPECT_FALSE(soundBank.mixerOpen);

    out = Stdout([] { EXPECT_EQ(klmr_SoundLoad(kSoundSwap, swap.c_str()), -1); });
    EXPECT_GT(out.size(), 1u);
    EXPECT_EQ(soundBank.chunks[kSoundSwap], nullptr);
    EXPECT_EQ(klmr_SoundPlay(-1, kSoundSwap, 0, 100), -1);

    klmr_SoundClose(); // does nothing: the bank stays audio only
    EXPECT_TRUE(soundBank.audioInit);
    EXPECT_EQ(klmr_SoundPlay(-1, kSoundSwap, 0, 100), -1);
    EXPECT_TRUE(sdlspy::Plays().empty());
}

TEST_F(SoundBankTest, ClosedWhenTheAudioSubsystemRefuses) {
    EXPECT_EQ(klmr_SoundPlay(-1, kSoundSwap, 0, 100), -1); // never opened
    failAudioInit = true;
    std::string out = Stdout([] { EXPECT_EQ(klmr_SoundOpen(), -2); });
    EXPECT_EQ(out, "");
    EXPECT_FALSE(soundBank.audioInit);
    EXPECT_FALSE(soundBank.mixerOpen);

    Stdout([] { EXPECT_EQ(klmr_SoundLoad(kSoundSwap, swap.c_str()), -1); });
    EXPECT_EQ(klmr_SoundPlay(-1, kSoundSwap, 0, 100), -1);
    klmr_SoundClose();
    EXPECT_FALSE(soundBank.audioInit);
    EXPECT_TRUE(sdlspy::Plays().empty());
    EXPECT_TRUE(freedChunks.empty());
}

} // namespace
