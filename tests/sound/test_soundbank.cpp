// The sound bank in its three states, with the generated sounds of data/sfx, and the WAV check.
#include "sdl_spy.h"
#include "soundbank.h"
#include "wavcheck.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

// The host is little-endian, like the file.
auto Le = [](uint32_t v, size_t n) { return std::string(reinterpret_cast<const char*>(&v), n); };
const std::string kData = "data" + Le(4, 4) + "abcd";

// A WAV file: a format chunk with these fields, then `after` (by default 4 bytes of data).
std::string Wav(int tag, int ch, uint32_t rate, int bits, int align, std::string after = kData) {
    return "RIFF" + Le(0, 4) + "WAVE" + "fmt " + Le(16, 4) + Le(tag, 2) + Le(ch, 2) + Le(rate, 4) +
           Le(rate * align, 4) + Le(align, 2) + Le(bits, 2) + after;
}

static std::string Stdout(auto f) {
    testing::internal::CaptureStdout();
    f();
    return testing::internal::GetCapturedStdout();
}

TEST(SoundBank, OpenPlaysLoadsRefusesAndCloses) {
    sdlspy::UseDummyDrivers();
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    EXPECT_EQ(Stdout([] { EXPECT_EQ(klmr_SoundOpen(), 0); }), "");
    ASSERT_EQ(klmr_SoundOpen(), 0); // closes the open mixer first, as the end shows
    ASSERT_EQ(klmr_SoundLoad(kSoundClick, "data/sfx/click.wav"), 0);
    for (auto [percent, volume] : {std::pair{99u, 126}, {0u, 0}, {1u << 25, 128}}) {
        const int ch = klmr_SoundPlay(5, kSoundClick, 2, percent); // 5 is not used: any channel
        const sdlspy::Play p = sdlspy::Plays().back();
        EXPECT_EQ(std::tuple(Mix_Volume(ch, -1), p.channel, p.chunk, p.loops, p.ticks),
                  std::tuple(volume, -1, soundBank.chunks[kSoundClick], 2, -1));
    }
    for (int slot : {-1, kSoundSlots}) // no slot read outside the bank
        EXPECT_EQ(klmr_SoundPlay(-1, slot, 0, 100), -1) << slot;

    char dir[] = "/tmp/kwav.XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string wav = dir + std::string("/c.wav"), fifo = dir + std::string("/f.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int ch = klmr_SoundPlay(-1, kSoundClick, -1, 100); // a load stops and frees it
    EXPECT_EQ(Stdout([&] { EXPECT_EQ(klmr_SoundLoad(kSoundClick, fifo.c_str()), -1); }),
              fifo + " is not a regular file\n");
    EXPECT_EQ(std::tuple(Mix_Playing(ch), soundBank.chunks[kSoundClick]), std::tuple(0, nullptr));
    const std::pair<std::string, std::string> cases[] = {
        {Wav(3, 2, 22050, 16, 4), "format 3, not PCM"},
        {Wav(1, 0, 22050, 16, 0), "0 channels"},
        {Wav(1, 3, 22050, 8, 3), "3 channels"},
        {Wav(1, 2, 7999, 16, 4), "a rate of 7999 Hz"}, // reasons compared by their start
        {Wav(1, 2, 96001, 16, 4), "a rate of 96001 Hz"},
        {Wav(1, 2, 22050, 24, 6), "24 bits a sample"},
        {Wav(1, 2, 22050, 16, 3), "a block align of 3"},
        {Wav(1, 2, 22050, 16, 4, "data" + Le(5, 4) + "abcd"), "a data chunk of 5 bytes"},
        {Wav(1, 2, 22050, 16, 4, "LIST" + Le(3, 4) + "abc" + '\0' + kData), ""}, // a pad byte
        {Wav(1, 2, 96000, 16, 4).insert(12, kData), "no 'fmt ' chunk before the data"},
        {Wav(1, 1, 8000, 8, 1, "LIST" + Le(2, 4) + "ab" + kData + "tail"), ""},
    };
    for (const auto& [bytes, reason] : cases) {
        std::ofstream(wav, std::ios::binary) << bytes;
        const std::string why = reason.empty() ? "" : wav + ": " + reason;
        const std::string out = Stdout([&] { klmr_SoundLoad(kSoundSwap, wav.c_str()); });
        EXPECT_EQ(std::pair(out.substr(0, why.size()), soundBank.chunks[kSoundSwap] != nullptr),
                  std::pair(why, why.empty()));
    }
    // A sound editor's chunks around the two that matter: the mixer gets the samples, unconverted
    // in the mixer's own format.
    std::string edited = Wav(1, 2, 22050, 16, 4);
    edited.insert(12, "JUNK" + Le(2, 4) + "jk" + "bext" + Le(4, 4) + "wxyz") += "cue " + Le(0, 4);
    std::ofstream(wav, std::ios::binary) << edited;
    ASSERT_EQ(klmr_SoundLoad(kSoundSwap, wav.c_str()), 0);
    const Mix_Chunk* chunk = soundBank.chunks[kSoundSwap];
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(chunk->abuf), chunk->alen), "abcd");

    klmr_SoundClose(); // empties the slots (the last file loaded) and closes the mixer, once
    klmr_SoundClose();
    // A file the check passes and the mixer refuses (it is closed) is named with its reason.
    EXPECT_EQ(Stdout([&] { klmr_SoundLoad(kSoundSwap, wav.c_str()); }).substr(0, wav.size() + 2),
              wav + ": ");
    std::filesystem::remove_all(dir);
    EXPECT_EQ(std::tuple(soundBank.chunks[kSoundSwap], soundBank.audioInit, soundBank.mixerOpen,
                         Mix_QuerySpec(nullptr, nullptr, nullptr)),
              std::tuple(nullptr, false, false, 0));

    sdlspy::UseDummyDrivers("none"); // audio only: the mixer fails and says why; Close keeps it so
    const std::string out = Stdout([] { EXPECT_EQ(klmr_SoundOpen(), -1); });
    EXPECT_EQ(out, std::string(SDL_GetError()) + "\n");
    klmr_SoundClose();
    EXPECT_EQ(std::pair(soundBank.audioInit, soundBank.mixerOpen), std::pair(true, false));
    SDL_Quit();
}
