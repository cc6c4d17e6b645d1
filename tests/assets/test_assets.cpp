// The generated data/ as the game loads it: every file readable with the game's own loaders,
// sizes that fit the layout, no stray colour-key pixels, tiles that differ in greyscale,
// texts that read on the background, sounds in shape, and the same bytes on every run.
#include "sdl_spy.h"

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr Uint16 kKey565 = 0xF81F; // magenta (255, 0, 255) in RGB565

class SdlEnv : public ::testing::Environment {
  public:
    void SetUp() override {
        sdlspy::UseDummyDrivers();
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO), 0) << SDL_GetError();
    }
    void TearDown() override { SDL_Quit(); }
};
const auto* const kEnv = ::testing::AddGlobalTestEnvironment(new SdlEnv);

struct SurfaceDeleter {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using Surface = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

Surface LoadPng(const std::string& path) {
    return Surface(IMG_Load(path.c_str()));
}

Surface LoadTile(int n) {
    std::string path = "data/gfx/pic" + std::to_string(n) + ".bmp";
    return Surface(SDL_LoadBMP(path.c_str()));
}

// The image in the screen's format, as the game converts it before setting the colour key.
Surface To565(SDL_Surface* s) {
    SDL_Surface* fmt = SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 16, 0xF800, 0x07E0, 0x001F, 0);
    SDL_Surface* out = SDL_ConvertSurface(s, fmt->format, 0);
    SDL_FreeSurface(fmt);
    return Surface(out);
}

Uint16 Pixel565(const SDL_Surface* s, int x, int y) {
    return reinterpret_cast<const Uint16*>(static_cast<const Uint8*>(s->pixels) + y * s->pitch)[x];
}

struct Rgb {
    double r, g, b;
};

Rgb PixelRgb(SDL_Surface* s, int x, int y) {
    const Uint8* p =
        static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
    Uint32 v = 0;
    std::memcpy(&v, p, s->format->BytesPerPixel);
    Uint8 r, g, b;
    SDL_GetRGB(v, s->format, &r, &g, &b);
    return {static_cast<double>(r), static_cast<double>(g), static_cast<double>(b)};
}

double Luma(const Rgb& c) {
    return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b;
}

// Relative luminance and contrast ratio as accessibility guidelines define them.
double Linear(double c8) {
    double c = c8 / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}
double Luminance(const Rgb& c) {
    return 0.2126 * Linear(c.r) + 0.7152 * Linear(c.g) + 0.0722 * Linear(c.b);
}
double Contrast(const Rgb& a, const Rgb& b) {
    double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

int CountKey(SDL_Surface* s565, int x0, int y0, int w, int h) {
    int n = 0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            n += Pixel565(s565, x, y) == kKey565;
    return n;
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// ----------------------------------------------------------------------------- images

TEST(AssetImages, PngsLoadWithSizesThatFitTheLayout) {
    Surface bg = LoadPng("data/gfx/background.png");
    ASSERT_TRUE(bg) << IMG_GetError();
    EXPECT_EQ(bg->w, bg->h);
    EXPECT_GE(bg->w, 32);
    EXPECT_LE(bg->w, 256);

    Surface logo = LoadPng("data/gfx/klmr_logo_cpr.png");
    ASSERT_TRUE(logo) << IMG_GetError();
    EXPECT_LE(logo->h, 64); // rests at y 21; the notice line starts at y 90
    EXPECT_LE(logo->w, 600);
    EXPECT_GE(logo->w, 100);

    Surface bar = LoadPng("data/gfx/select.png");
    ASSERT_TRUE(bar) << IMG_GetError();
    EXPECT_GE(bar->w, 240);
    EXPECT_LE(bar->w, 320);
    EXPECT_LE(bar->h, 36);

    Surface rot = LoadPng("data/gfx/rotate.png");
    ASSERT_TRUE(rot) << IMG_GetError();
    EXPECT_GE(rot->w, 6 * 64);
    EXPECT_GE(rot->h, 64);
}

TEST(AssetImages, TilesAreSixteenOpaqueBmpsOf32Pixels) {
    for (int n = 1; n <= 16; ++n) {
        Surface t = LoadTile(n);
        ASSERT_TRUE(t) << "pic" << n << ": " << SDL_GetError();
        EXPECT_EQ(t->w, 32) << "pic" << n;
        EXPECT_EQ(t->h, 32) << "pic" << n;
        EXPECT_EQ(t->format->Amask, 0u) << "pic" << n;
    }
}

TEST(AssetImages, IconsExistBesideTheData) {
    for (int size : {64, 128, 256}) {
        Surface icon = LoadPng("icons/kelmora-" + std::to_string(size) + ".png");
        ASSERT_TRUE(icon) << size << ": " << IMG_GetError();
        EXPECT_EQ(icon->w, size);
        EXPECT_EQ(icon->h, size);
    }
}

// ------------------------------------------------------------------------- colour key

TEST(AssetColourKey, NoTileOrBackgroundPixelBecomesTheKeyIn16Bits) {
    std::vector<Surface> images;
    images.push_back(LoadPng("data/gfx/background.png"));
    for (int n = 1; n <= 16; ++n)
        images.push_back(LoadTile(n));
    for (size_t i = 0; i < images.size(); ++i) {
        ASSERT_TRUE(images[i]);
        Surface s = To565(images[i].get());
        ASSERT_TRUE(s);
        EXPECT_EQ(CountKey(s.get(), 0, 0, s->w, s->h), 0) << "image " << i;
    }
}

TEST(AssetColourKey, KeyedImagesAreTransparentAroundTheirShape) {
    for (const char* name : {"data/gfx/klmr_logo_cpr.png", "data/gfx/select.png"}) {
        Surface img = LoadPng(name);
        ASSERT_TRUE(img);
        Surface s = To565(img.get());
        // The corners lie outside the rounded shapes; the middle is solid.
        EXPECT_EQ(Pixel565(s.get(), 0, 0), kKey565) << name;
        EXPECT_EQ(Pixel565(s.get(), s->w - 1, s->h - 1), kKey565) << name;
        int key = CountKey(s.get(), 0, 0, s->w, s->h);
        EXPECT_GT(key, 0) << name;
        EXPECT_LT(key, s->w * s->h * 3 / 4) << name;
    }
}

TEST(AssetColourKey, CursorFramesLeaveTheFourTilesVisibleAndPulse) {
    Surface img = LoadPng("data/gfx/rotate.png");
    ASSERT_TRUE(img);
    Surface s = To565(img.get());
    int previous = -1;
    for (int f = 0; f < 6; ++f) {
        int drawn = 64 * 64 - CountKey(s.get(), 64 * f, 0, 64, 64);
        EXPECT_GT(drawn, 64 * 4) << "frame " << f << " marks the block";
        // Every tile of the block shows through most of its area, and its middle is clear.
        for (int q = 0; q < 4; ++q) {
            int x0 = 64 * f + (q % 2) * 32, y0 = (q / 2) * 32;
            EXPECT_GT(CountKey(s.get(), x0, y0, 32, 32), 32 * 32 * 6 / 10) << "frame " << f;
            EXPECT_EQ(CountKey(s.get(), x0 + 12, y0 + 12, 8, 8), 64) << "frame " << f;
        }
        // From calm to strongest: no frame draws less than the one before it.
        EXPECT_GE(drawn, previous) << "frame " << f;
        previous = drawn;
    }
}

// --------------------------------------------------------------------------- legibility

TEST(AssetLegibility, SixteenTilesDifferPairwiseInGreyscale) {
    // Mean absolute luma difference per pixel (0..255 scale). Colour-blind players see mostly
    // lightness and shape, so every pair must differ clearly in those alone.
    std::vector<std::vector<double>> luma;
    for (int n = 1; n <= 16; ++n) {
        Surface t = LoadTile(n);
        ASSERT_TRUE(t);
        std::vector<double> l;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                l.push_back(Luma(PixelRgb(t.get(), x, y)));
        luma.push_back(std::move(l));
    }
    for (size_t i = 0; i < luma.size(); ++i)
        for (size_t j = i + 1; j < luma.size(); ++j) {
            double sum = 0;
            for (size_t k = 0; k < luma[i].size(); ++k)
                sum += std::fabs(luma[i][k] - luma[j][k]);
            EXPECT_GT(sum / 1024.0, 12.0) << "pic" << i + 1 << " and pic" << j + 1;
        }
}

TEST(AssetLegibility, GameTextsContrastWithEveryBackgroundPixel) {
    Surface bg = LoadPng("data/gfx/background.png");
    ASSERT_TRUE(bg);
    Surface s = To565(bg.get()); // judged as shown on the 16-bit screen
    double worstDark = 1e9, worstBlue = 1e9, worstRed = 1e9, sum = 0, sumSq = 0;
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x) {
            Rgb c = PixelRgb(s.get(), x, y);
            worstDark = std::min(worstDark, Contrast(c, {20, 20, 20}));
            worstBlue = std::min(worstBlue, Contrast(c, {10, 10, 250}));
            worstRed = std::min(worstRed, Contrast(c, {250, 10, 25}));
            double l = Luma(c);
            sum += l;
            sumSq += l * l;
        }
    double n = static_cast<double>(s->w * s->h);
    double mean = sum / n, spread = std::sqrt(sumSq / n - mean * mean);
    EXPECT_GT(worstDark, 12.0); // the small notice and hint lines have no outline
    EXPECT_GT(worstBlue, 6.0);
    EXPECT_GT(worstRed, 3.0);
    EXPECT_GT(mean, 200.0) << "light";
    EXPECT_LT(spread, 6.0) << "calm";
}

TEST(AssetLegibility, BackgroundWrapsWithoutASeam) {
    Surface bg = LoadPng("data/gfx/background.png");
    ASSERT_TRUE(bg);
    // The jump from the last column to the first, and from the last row to the first, is no
    // larger than the largest jump between neighbours inside the texture.
    auto columnStep = [&](int a, int b) {
        double d = 0;
        for (int y = 0; y < bg->h; ++y)
            d += std::fabs(Luma(PixelRgb(bg.get(), a, y)) - Luma(PixelRgb(bg.get(), b, y)));
        return d / bg->h;
    };
    auto rowStep = [&](int a, int b) {
        double d = 0;
        for (int x = 0; x < bg->w; ++x)
            d += std::fabs(Luma(PixelRgb(bg.get(), x, a)) - Luma(PixelRgb(bg.get(), x, b)));
        return d / bg->w;
    };
    double inCols = 0, inRows = 0;
    for (int i = 0; i + 1 < bg->w; ++i)
        inCols = std::max(inCols, columnStep(i, i + 1));
    for (int i = 0; i + 1 < bg->h; ++i)
        inRows = std::max(inRows, rowStep(i, i + 1));
    EXPECT_LE(columnStep(bg->w - 1, 0), inCols);
    EXPECT_LE(rowStep(bg->h - 1, 0), inRows);
}

TEST(AssetFont, TheGameFontOpensAtItsThreeSizesWithItsLicence) {
    ASSERT_EQ(TTF_Init(), 0);
    for (int pt : {27, 20, 16}) {
        TTF_Font* f = TTF_OpenFont("data/fonts/impact.ttf", pt);
        ASSERT_NE(f, nullptr) << TTF_GetError();
        int w = 0, h = 0;
        EXPECT_EQ(TTF_SizeText(f, "HiScores", &w, &h), 0);
        EXPECT_GT(w, 0);
        TTF_CloseFont(f);
    }
    TTF_Quit();
    std::string licence = ReadAll("data/fonts/LICENSE-RobotoCondensed.txt");
    EXPECT_NE(licence.find("Roboto Condensed"), std::string::npos);
    EXPECT_NE(licence.find("Apache License"), std::string::npos);
    EXPECT_NE(licence.find("TERMS AND CONDITIONS"), std::string::npos);
}

// ------------------------------------------------------------------------------ sounds

struct Wav {
    int channels = 0, rate = 0, bits = 0;
    std::vector<int16_t> samples; // interleaved
};

// A minimal reader for the canonical PCM form the generator writes.
Wav ReadWav(const std::string& path) {
    Wav w;
    std::string b = ReadAll(path);
    auto u32 = [&](size_t at) {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | static_cast<uint8_t>(b[at + static_cast<size_t>(i)]);
        return v;
    };
    if (b.size() < 44 || b.compare(0, 4, "RIFF") != 0 || b.compare(8, 4, "WAVE") != 0) return w;
    size_t at = 12;
    while (at + 8 <= b.size()) {
        std::string id = b.substr(at, 4);
        size_t len = u32(at + 4);
        if (at + 8 + len > b.size()) break;
        if (id == "fmt " && len >= 16) {
            w.channels = static_cast<int>(u32(at + 8 + 2) & 0xffff);
            w.rate = static_cast<int>(u32(at + 8 + 4));
            w.bits = static_cast<int>(u32(at + 8 + 14) & 0xffff);
        } else if (id == "data") {
            for (size_t i = 0; i + 1 < len; i += 2)
                w.samples.push_back(
                    static_cast<int16_t>(static_cast<uint8_t>(b[at + 8 + i]) |
                                         (static_cast<uint8_t>(b[at + 9 + i]) << 8)));
        }
        at += 8 + len + (len & 1);
    }
    return w;
}

TEST(AssetSounds, MixerLoadsBothUnderTheDummyDriver) {
    ASSERT_EQ(Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 512), 0) << Mix_GetError();
    for (const char* name : {"data/sfx/swap.wav", "data/sfx/click.wav"}) {
        Mix_Chunk* c = Mix_LoadWAV(name);
        EXPECT_NE(c, nullptr) << name << ": " << Mix_GetError();
        if (c != nullptr) Mix_FreeChunk(c);
    }
    Mix_CloseAudio();
}

TEST(AssetSounds, LengthsFormatPeakAndFades) {
    struct Case {
        const char* name;
        double minMs, maxMs;
    };
    for (Case c : {Case{"data/sfx/swap.wav", 80, 150}, Case{"data/sfx/click.wav", 10, 30}}) {
        Wav w = ReadWav(c.name);
        ASSERT_EQ(w.channels, 2) << c.name;
        ASSERT_EQ(w.rate, 22050) << c.name;
        ASSERT_EQ(w.bits, 16) << c.name;
        size_t frames = w.samples.size() / 2;
        double ms = 1000.0 * static_cast<double>(frames) / 22050.0;
        EXPECT_GE(ms, c.minMs) << c.name;
        EXPECT_LE(ms, c.maxMs) << c.name;
        int peak = 0;
        for (int16_t s : w.samples)
            peak = std::max(peak, std::abs(static_cast<int>(s)));
        EXPECT_LT(peak, 32767 * 9 / 10) << c.name << " stays below full scale";
        EXPECT_GT(peak, 32767 / 10) << c.name << " is audible";
        // Starts and ends at rest: the first and last sample frames are near silence.
        for (size_t i : {size_t{0}, size_t{1}, w.samples.size() - 2, w.samples.size() - 1})
            EXPECT_LT(std::abs(static_cast<int>(w.samples[i])), 330) << c.name << " sample " << i;
    }
}

// ------------------------------------------------------------------------- determinism

TEST(AssetGenerator, TwoRunsWriteTheSameBytes) {
    char pattern[] = "/tmp/kelmora-assets-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    fs::path root = pattern;
    auto run = [&](const std::string& sub) {
        std::string cmd = std::string("'") + KELMORA_ASSETGEN + "' --font '" + KELMORA_FONT_FILE +
                          "' --licence '" + KELMORA_FONT_LICENCE + "' --data '" +
                          (root / sub / "data").string() + "' --icons '" +
                          (root / sub / "icons").string() + "'";
        return std::system(cmd.c_str());
    };
    ASSERT_EQ(run("a"), 0);
    ASSERT_EQ(run("b"), 0);
    size_t files = 0;
    for (const auto& e : fs::recursive_directory_iterator(root / "a")) {
        if (!e.is_regular_file()) continue;
        fs::path other = root / "b" / fs::relative(e.path(), root / "a");
        ASSERT_TRUE(fs::exists(other)) << other;
        EXPECT_TRUE(ReadAll(e.path()) == ReadAll(other)) << e.path() << " differs between runs";
        ++files;
    }
    EXPECT_EQ(files, 2u + 4u + 16u + 2u + 3u); // font and licence, images, tiles, sounds, icons
    fs::remove_all(root);
}

} // namespace
