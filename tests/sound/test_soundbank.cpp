// Sound bank tests in its three states, with the generated sounds of data/sfx.
#include "sdl_spy.h"
#include "soundbank.h"
#include "wavcheck.h"

#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

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

static std::string Le(uint32_t v, int bytes) {
    std::string s;
    for (int i = 0; i < bytes; ++i)
        s += static_cast<char>(v >> 8 * i & 0xff);
    return s;
}

static std::string Chunk(const std::string& id, const std::string& body, uint32_t size) {
    return id + Le(size, 4) + body;
}

// A WAV file: a format chunk with these fields, then `after` (by default 4 bytes of data).
static std::string Wav(int tag, int channels, uint32_t rate, int bits, int align,
                       const std::string& after = Chunk("data", "abcd", 4)) {
    const std::string fmt = Le(tag, 2) + Le(channels, 2) + Le(rate, 4) + Le(rate * align, 4) +
                            Le(align, 2) + Le(bits, 2);
    return "RIFF" + Le(0, 4) + "WAVE" + Chunk("fmt ", fmt, 16) + after;
}

TEST(WavCheck, OnlyHeadersTheMixerCanConvertPass) {
    const std::string ok = Wav(1, 2, 22050, 16, 4), data = Chunk("data", "abcd", 4);
    const std::pair<std::string, std::string> cases[] = {
        {ok, ""},
        {Wav(1, 1, 8000, 8, 1), ""},
        {Wav(1, 2, 96000, 16, 4, Chunk("LIST", "ab", 2) + data + "tail"), ""},
        {Wav(1, 0, 22050, 16, 0), "0 channels (a sound must have 1 or 2)"},
        {Wav(1, 3, 22050, 16, 6), "3 channels (a sound must have 1 or 2)"},
        {Wav(1, 2, 7999, 16, 4), "a rate of 7999 Hz (a sound must have 8000 to 96000)"},
        {Wav(1, 2, 96001, 16, 4), "a rate of 96001 Hz (a sound must have 8000 to 96000)"},
        {Wav(1, 2, 4000000000u, 16, 4),
         "a rate of 4000000000 Hz (a sound must have 8000 to 96000)"},
        {Wav(1, 2, 22050, 24, 6), "24 bits a sample (a sound must have 8 or 16)"},
        {Wav(3, 2, 22050, 16, 4), "format 3, not PCM (1)"},
        {Wav(1, 2, 22050, 16, 3), "a block align of 3 (2 channels of 16 bits take 4)"},
        {Wav(1, 2, 22050, 16, 4, Chunk("data", "abcd", 5)),
         "a data chunk of 5 bytes where the file holds 4 after its header"},
        {Wav(1, 2, 22050, 16, 4, Chunk("data", "", 0)), "no whole sample in the data chunk"},
        {Wav(1, 2, 22050, 16, 4, ""), "no data chunk"},
        {Wav(1, 2, 22050, 16, 4, Chunk("LIST", "abc", 3) + data),
         "a 'LIST' chunk of an odd size, 3 bytes"},
        {Wav(1, 2, 22050, 16, 4, Chunk("LIST", "ab", 99) + data),
         "a 'LIST' chunk of 99 bytes where the file holds 14"},
        {ok.substr(0, 30), "a 'fmt ' chunk of 16 bytes where the file holds 10"},
        {ok.substr(0, 12) + data + ok.substr(12), "no 'fmt ' chunk before the data"},
        {ok.substr(0, 12) + Chunk("fmt ", std::string(12, '\1'), 12) + data,
         "a 'fmt ' chunk of 12 bytes (it needs 16)"},
        {"RIFX" + ok.substr(4), "not a RIFF WAVE file"},
    };
    for (const auto& [bytes, reason] : cases) {
        char why[128] = "";
        const bool pass = klmr_WavCheck(reinterpret_cast<const unsigned char*>(bytes.data()),
                                        bytes.size(), why, sizeof why);
        EXPECT_EQ(std::pair(pass, std::string(why)), std::pair(reason.empty(), reason))
            << testing::PrintToString(bytes);
    }

    // The bank refuses such a file, and a FIFO, at once, as it refuses a missing file.
    failAudioInit = false;
    sdlspy::UseDummyDrivers();
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    ASSERT_EQ(klmr_SoundOpen(), 0);
    char dir[] = "/tmp/kwav.XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string wav = dir + std::string("/click.wav"), fifo = dir + std::string("/f.wav");
    std::ofstream(wav, std::ios::binary) << Wav(1, 0, 22050, 16, 0);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(Stdout([&] { EXPECT_EQ(klmr_SoundLoad(kSoundClick, wav.c_str()), -1); }),
              wav + ": 0 channels (a sound must have 1 or 2)\n");
    EXPECT_EQ(Stdout([&] { EXPECT_EQ(klmr_SoundLoad(kSoundClick, fifo.c_str()), -1); }),
              fifo + " is not a regular file\n");
    klmr_SoundClose();
    SDL_Quit();
    std::filesystem::remove_all(dir);
}
