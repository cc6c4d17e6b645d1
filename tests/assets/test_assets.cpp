// The generated data/ as the game loads it: sizes, colour key, tiles apart, contrast, sounds,
// determinism.
#include "sdl_spy.h"

#include <SDL_image.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>

constexpr Uint16 kKey = 0xF81F; // magenta (255, 0, 255) in RGB565
using Surface = std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)>;

Surface Load(const std::string& path) {
    return {path.ends_with(".bmp") ? SDL_LoadBMP(path.c_str()) : IMG_Load(path.c_str()),
            SDL_FreeSurface};
}

const auto Tile = [](int n) { return "data/gfx/pic" + std::to_string(n) + ".bmp"; };

// The image in the 16-bit screen format, converted as the game does before setting the key.
Surface To565(const std::string& path) {
    const Surface image = Load(path);
    return {image ? SDL_DisplayFormat(image.get()) : nullptr, SDL_FreeSurface};
}

Uint16 At(const Surface& s, int x, int y) {
    return static_cast<const Uint16*>(s->pixels)[y * s->pitch / 2 + x];
}

// Key pixels in the w x h area at (x0, y0).
int CountKey(const Surface& s, int x0, int y0, int w, int h) {
    int n = 0;
    for (int i = 0; i < w * h; ++i)
        n += At(s, x0 + i % w, y0 + i / w) == kKey;
    return n;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class Assets : public testing::Test {
    void SetUp() override {
        sdlspy::UseDummyDrivers();
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO), 0) << SDL_GetError();
        ASSERT_TRUE(SDL_SetVideoMode(640, 480, 16, SDL_SWSURFACE)) << SDL_GetError();
    }
    void TearDown() override { SDL_Quit(); }
};

TEST_F(Assets, FilesLoadWithTheGamesLoadersInSizesThatFitTheLayout) {
    // Width and height ranges; the tiles are opaque.
    std::vector<std::tuple<std::string, int, int, int, int>> images = {
        {"data/gfx/background.png", 32, 256, 32, 256},
        {"data/gfx/klmr_logo_cpr.png", 100, 600, 1, 64},
        {"data/gfx/select.png", 240, 320, 1, 36},
        {"data/gfx/rotate.png", 384, 9999, 64, 9999},
        {"icons/kelmora-64.png", 64, 64, 64, 64},
        {"icons/kelmora-128.png", 128, 128, 128, 128}};
    for (int n = 1; n <= 16; ++n)
        images.push_back({Tile(n), 32, 32, 32, 32});
    for (auto [name, minW, maxW, minH, maxH] : images) {
        const Surface s = Load(name);
        ASSERT_TRUE(s) << name << ": " << SDL_GetError();
        EXPECT_TRUE(s->w >= minW && s->w <= maxW && s->h >= minH && s->h <= maxH) << name;
        EXPECT_TRUE(name.ends_with(".png") || s->format->Amask == 0) << name;
    }
    ASSERT_EQ(TTF_Init(), 0);
    TTF_Font* font = TTF_OpenFont("data/fonts/impact.ttf", 27);
    EXPECT_TRUE(font) << TTF_GetError();
    TTF_CloseFont(font);
    TTF_Quit();
    EXPECT_NE(ReadAll("data/fonts/LICENSE-RobotoCondensed.txt").find("Apache License"),
              std::string::npos);
    ASSERT_EQ(Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 512), 0) << Mix_GetError();
    for (const char* name : {"data/sfx/swap.wav", "data/sfx/click.wav"}) {
        Mix_Chunk* c = Mix_LoadWAV(name);
        EXPECT_TRUE(c) << name << ": " << Mix_GetError();
        Mix_FreeChunk(c);
    }
    Mix_CloseAudio();
}

TEST_F(Assets, OnlyTheShapesAroundTheirKeyAreMagenta) {
    for (int n = 0; n <= 16; ++n) { // no tile or background pixel becomes the key
        const Surface s = To565(n ? Tile(n) : "data/gfx/background.png");
        EXPECT_EQ(CountKey(s, 0, 0, s->w, s->h), 0) << "pic" << n;
    }
    // Each cursor frame marks the block, leaves most of each tile and its middle clear, and
    // draws no less than the frame before it: a pulse from calm to strongest.
    const Surface s = To565("data/gfx/rotate.png");
    for (int f = 0, drawn = 0, previous = 0; f < 6; ++f, previous = drawn) {
        drawn = 64 * 64 - CountKey(s, 64 * f, 0, 64, 64);
        EXPECT_TRUE(drawn > 64 * 4 && drawn >= previous) << "frame " << f;
        for (int q = 0; q < 4; ++q) {
            const int x0 = 64 * f + (q % 2) * 32, y0 = (q / 2) * 32;
            EXPECT_GT(CountKey(s, x0, y0, 32, 32), 32 * 32 * 6 / 10) << "frame " << f;
            EXPECT_EQ(CountKey(s, x0 + 12, y0 + 12, 8, 8), 64) << "frame " << f;
        }
    }
}

TEST_F(Assets, TilesDifferPairwiseInGreyscale) {
    // Mean absolute luma difference per pixel (0..255) as shown in 16 bits: players who cannot
    // tell colours apart see lightness and shape, so every pair must differ clearly in those.
    std::vector<Surface> tiles;
    for (int n = 1; n <= 16; ++n)
        tiles.push_back(To565(Tile(n)));
    auto luma = [&](int tile, int p) {
        const Uint16 c = At(tiles[tile], p % 32, p / 32);
        return (0.299 * (c >> 11) / 31 + 0.587 * (c >> 5 & 63) / 63 + 0.114 * (c & 31) / 31) * 255;
    };
    for (int i = 0; i < 16; ++i) {
        for (int j = i + 1; j < 16; ++j) {
            double sum = 0;
            for (int p = 0; p < 32 * 32; ++p)
                sum += std::abs(luma(i, p) - luma(j, p));
            EXPECT_GT(sum / 1024, 12.0) << "pic" << i + 1 << " and pic" << j + 1;
        }
    }
}

// WCAG 2 relative luminance of a pixel of the 16-bit screen, and the contrast ratio of two.
double Luminance(Uint16 c) {
    auto linear = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear((c >> 11) / 31.0) + 0.7152 * linear((c >> 5 & 63) / 63.0) +
           0.0722 * linear((c & 31) / 31.0);
}
double Contrast(double a, double b) {
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

// A tile's face: the mean luminance of the band 3 and 4 pixels in from its edge, inside the
// raised rim and outside every symbol.
double Face(const Surface& tile) {
    double sum = 0;
    for (int i = 3; i < 29; ++i)
        for (int d : {3, 4, 27, 28})
            sum += Luminance(At(tile, i, d)) + Luminance(At(tile, d, i));
    return sum / (26 * 8);
}

// WCAG asks 3:1 of graphics that must be seen. The symbol is what differs from the face by more
// than the face's own light does (1.5:1), less its anti-aliased and embossed edges: the pixels
// whose four neighbours differ as well. Its median must stand out by 3:1.
TEST_F(Assets, EveryTileSymbolStandsOutFromItsFaceByThreeToOne) {
    for (int n = 1; n <= 16; ++n) {
        const Surface t = To565(Tile(n));
        const double face = Face(t);
        auto inked = [&](int x, int y) { return Contrast(Luminance(At(t, x, y)), face) >= 1.5; };
        std::vector<double> symbol;
        for (int p = 0; p < 22 * 22; ++p) {
            const int x = 5 + p % 22, y = 5 + p / 22;
            if (inked(x, y) && inked(x - 1, y) && inked(x + 1, y) && inked(x, y - 1) &&
                inked(x, y + 1))
                symbol.push_back(Luminance(At(t, x, y)));
        }
        ASSERT_GT(symbol.size(), 40u) << "pic" << n;
        std::nth_element(symbol.begin(), symbol.begin() + symbol.size() / 2, symbol.end());
        EXPECT_GE(Contrast(symbol[symbol.size() / 2], face), 3.0) << "pic" << n;
    }
}

// Crossing the frame's edge inward anywhere along its sides, every cursor frame shows at least
// two pixels in a row that stand out by 3:1 from the face of every tile it may lie on.
TEST_F(Assets, EveryCursorFrameHasAnEdgeThatStandsOutOnEveryTile) {
    const Surface s = To565("data/gfx/rotate.png");
    for (int n = 1; n <= 16; ++n) {
        const double face = Face(To565(Tile(n)));
        for (int f = 0; f < 6; ++f) {
            int gaps = 0;
            for (int k = 0; k < 4 * 48; ++k) { // 48 crossings a side, the round corners aside
                const int side = k / 48, p = 8 + k % 48;
                int run = 0, longest = 0;
                for (int d = 0; d < 8; ++d) {
                    const int a = side % 2 ? 63 - d : d, x = side < 2 ? p : a, y = side < 2 ? a : p;
                    const Uint16 c = At(s, 64 * f + x, y);
                    run = c != kKey && Contrast(Luminance(c), face) >= 3.0 ? run + 1 : 0;
                    longest = std::max(longest, run);
                }
                gaps += longest < 2;
            }
            EXPECT_EQ(gaps, 0) << "frame " << f << " on pic" << n;
        }
    }
}

TEST(AssetFiles, SoundsAreCanonicalStereoOfTheirLength) {
    for (auto [name, minMs, maxMs] :
         {std::tuple{"data/sfx/swap.wav", 80, 150}, {"data/sfx/click.wav", 10, 30}}) {
        const std::string b = ReadAll(name); // PCM, stereo, 22050 Hz, 16 bits; then the samples
        EXPECT_EQ(b.substr(20, 16), std::string("\1\0\2\0\x22\x56\0\0\x88\x58\1\0\4\0\x10\0", 16))
            << name;
        const double ms = 1000.0 * (b.size() - 44) / 4 / 22050;
        EXPECT_TRUE(ms >= minMs && ms <= maxMs) << name << ": " << ms << " ms";
    }
}

// A fresh run of the generator writes the very files the build put in data/ and icons/.
TEST(AssetFiles, TheGeneratorWritesTheSameBytesOnEveryRun) {
    char dir[] = "/tmp/kelmora-assets-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string cmd = "'" KELMORA_ASSETGEN "' --font '" KELMORA_FONT_FILE
                            "' --licence '" KELMORA_FONT_LICENCE "' --data " +
                            std::string(dir) + "/data --icons " + dir + "/icons && diff -r " + dir +
                            "/data data && diff -r " + dir + "/icons icons && rm -r " + dir;
    EXPECT_EQ(std::system(cmd.c_str()), 0);
}
