// Sound bank tests in its states, with the generated sounds of data/sfx, and the WAV check.
#include "sdl_spy.h"
#include "soundbank.h"
#include "wavcheck.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

static std::string Le(uint32_t v, int bytes) { // the host is little-endian, like the file
    return std::string(reinterpret_cast<const char*>(&v), static_cast<size_t>(bytes));
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

// What f writes on standard output.
template <typename F>
std::string Stdout(F f) {
    testing::internal::CaptureStdout();
    f();
    return testing::internal::GetCapturedStdout();
}

TEST(SoundBank, OpenPlaysLoadsRefusesAndCloses) {
    sdlspy::UseDummyDrivers();
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    EXPECT_EQ(Stdout([] { EXPECT_EQ(klmr_SoundOpen(), 0); }), "");
    ASSERT_EQ(klmr_SoundLoad(kSoundClick, "data/sfx/click.wav"), 0);
    for (auto [percent, volume] :
         {std::pair{100u, 128}, {250u, 128}, {0u, 0}, {99u, 126}, {1u << 25, 128}}) {
        Mix_HaltChannel(-1);
        const int ch = klmr_SoundPlay(5, kSoundClick, 2, percent); // 5 is not used
        const sdlspy::Play p = sdlspy::Plays().back();
        EXPECT_EQ(std::tuple(ch, Mix_Volume(ch, -1)), std::tuple(0, volume)) << percent;
        EXPECT_EQ(std::tuple(p.channel, p.chunk, p.loops, p.ticks),
                  std::tuple(-1, soundBank.chunks[kSoundClick], 2, -1));
    }
    for (int slot : {kSoundSlots, -1, kSoundSwap})
        EXPECT_EQ(klmr_SoundPlay(-1, slot, 0, 100), -1) << slot;

    // A load frees what the slot held (stopping it); refused files empty the slot and say why.
    char dir[] = "/tmp/kwav.XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string wav = dir + std::string("/c.wav"), fifo = dir + std::string("/f.wav");
    std::ofstream(wav, std::ios::binary) << Wav(1, 0, 22050, 16, 0);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int ch = klmr_SoundPlay(-1, kSoundClick, -1, 100);
    const std::pair<std::string, std::string> refused[] = {
        {"data/sfx/none.wav", "Couldn't open data/sfx/none.wav"},
        {wav, wav + ": 0 channels (a sound must have 1 or 2)"},
        {fifo, fifo + " is not a regular file"}};
    for (const auto& [path, why] : refused)
        EXPECT_EQ(Stdout([&] { EXPECT_EQ(klmr_SoundLoad(kSoundClick, path.c_str()), -1); }),
                  why + "\n");
    EXPECT_EQ(Mix_Playing(ch), 0);
    EXPECT_EQ(klmr_SoundPlay(-1, kSoundClick, 0, 100), -1);
    std::filesystem::remove_all(dir);

    // Reopening releases the open bank first; Close empties the slots and closes, once.
    ASSERT_EQ(klmr_SoundLoad(kSoundSwap, "data/sfx/swap.wav"), 0);
    ASSERT_EQ(klmr_SoundOpen(), 0);
    EXPECT_EQ(soundBank.chunks[kSoundSwap], nullptr);
    ASSERT_EQ(klmr_SoundLoad(kSoundSwap, "data/sfx/swap.wav"), 0);
    klmr_SoundClose();
    klmr_SoundClose();
    EXPECT_EQ(std::tuple(soundBank.chunks[kSoundSwap], soundBank.audioInit, soundBank.mixerOpen,
                         Mix_QuerySpec(nullptr, nullptr, nullptr)),
              std::tuple(nullptr, false, false, 0));

    // Audio only: the mixer fails, with its error on standard output; nothing plays.
    sdlspy::UseDummyDrivers("none");
    const std::string out = Stdout([] { EXPECT_EQ(klmr_SoundOpen(), -1); });
    EXPECT_EQ(out, std::string(SDL_GetError()) + "\n");
    klmr_SoundClose(); // does nothing
    EXPECT_EQ(std::pair(soundBank.audioInit, soundBank.mixerOpen), std::pair(true, false));
    EXPECT_EQ(klmr_SoundPlay(-1, kSoundSwap, 0, 100), -1);
    SDL_Quit();
}

TEST(WavCheck, OnlyHeadersTheMixerCanConvertPass) {
    const std::string ok = Wav(1, 2, 22050, 16, 4), data = Chunk("data", "abcd", 4);
    const std::pair<std::string, std::string> cases[] = {
        {Wav(1, 1, 96000, 8, 1, Chunk("LIST", "ab", 2) + data + "tail"), ""},
        {Wav(1, 0, 22050, 16, 0), "0 channels (a sound must have 1 or 2)"},
        {Wav(1, 2, 0, 16, 4), "a rate of 0 Hz (a sound must have 8000 to 96000)"},
        {Wav(1, 2, 4000000000u, 16, 4),
         "a rate of 4000000000 Hz (a sound must have 8000 to 96000)"},
        {Wav(1, 2, 22050, 24, 6), "24 bits a sample (a sound must have 8 or 16)"},
        {Wav(1, 2, 22050, 16, 3), "a block align of 3 (2 channels of 16 bits take 4)"},
        {Wav(1, 2, 22050, 16, 4, Chunk("data", "abcd", 5)),
         "a data chunk of 5 bytes where the file holds 4 after its header"},
        {Wav(1, 2, 22050, 16, 4, Chunk("LIST", "abc", 3) + data),
         "a 'LIST' chunk of an odd size, 3 bytes"},
        {ok.substr(0, 12) + data + ok.substr(12), "no 'fmt ' chunk before the data"},
    };
    for (const auto& [bytes, reason] : cases) {
        char why[128] = "";
        const bool pass = klmr_WavCheck(reinterpret_cast<const unsigned char*>(bytes.data()),
                                        bytes.size(), why, sizeof why);
        EXPECT_EQ(std::pair(pass, std::string(why)), std::pair(reason.empty(), reason))
            << testing::PrintToString(bytes);
    }
}
