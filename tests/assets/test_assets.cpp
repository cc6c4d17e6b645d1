// The generated data/ as the game shows it: sizes, key, tiles apart, contrast, determinism.
#include "sdl_spy.h"

#include <SDL_image.h>

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>

constexpr Uint16 kKey = 0xF81F; // magenta (255, 0, 255) in RGB565
using Surface = std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)>;

// An image in the 16-bit screen format, converted as the game does before setting the key.
Surface To565(const std::string& path) {
    const Surface image(IMG_Load(path.c_str()), SDL_FreeSurface);
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

// WCAG 2 relative luminance of a pixel of the 16-bit screen, and the contrast ratio of two.
double Luminance(Uint16 c) {
    auto linear = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear((c >> 11) / 31.0) + 0.7152 * linear((c >> 5 & 63) / 63.0) +
           0.0722 * linear((c & 31) / 31.0);
}
auto Contrast = [](double a, double b) { return (std::max(a, b) + .05) / (std::min(a, b) + .05); };

// A tile's face: mean luminance of the band 3 and 4 pixels in, inside the rim, outside symbols.
double Face(const Surface& tile) {
    double sum = 0;
    for (int i = 3; i < 29; ++i)
        for (int d : {3, 4, 27, 28})
            sum += Luminance(At(tile, i, d)) + Luminance(At(tile, d, i));
    return sum / (26 * 8);
}

class Assets : public testing::Test {
  protected:
    void SetUp() override {
        sdlspy::UseDummyDrivers();
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_TRUE(SDL_SetVideoMode(640, 480, 16, SDL_SWSURFACE)) << SDL_GetError();
        for (int n = 1; n <= 16; ++n)
            tiles.push_back(To565("data/gfx/pic" + std::to_string(n) + ".bmp"));
    }
    void TearDown() override { tiles.clear(), SDL_Quit(); }
    std::vector<Surface> tiles;
};

// Sizes the layout needs, and no key in what must be opaque.
TEST_F(Assets, ImagesHaveTheirSizesAndOnlyShapesHoldTheKey) {
    std::vector<std::tuple<std::string, int, int>> sizes = {{"data/gfx/rotate.png", 384, 64},
                                                            {"data/gfx/background.png", 128, 128}};
    for (int n = 1; n <= 16; ++n)
        sizes.push_back({"data/gfx/pic" + std::to_string(n) + ".bmp", 32, 32});
    for (auto [name, w, h] : sizes) {
        const Surface s = To565(name);
        ASSERT_TRUE(s) << name << ": " << SDL_GetError();
        EXPECT_EQ(std::pair(s->w, s->h), std::pair(w, h)) << name;
        EXPECT_EQ(name.ends_with("rotate.png") ? 0 : CountKey(s, 0, 0, s->w, s->h), 0) << name;
    }
}

// For players who tell colours apart poorly, tiles differ by a mean luma of 12 (of 255), and each
// symbol (unlike the face by 1.5:1, edges aside) stands out from it by WCAG's 3:1 (median).
TEST_F(Assets, TilesDifferInGreyscaleAndTheirSymbolsStandOutByThreeToOne) {
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
        const Surface& t = tiles[i];
        const double face = Face(t);
        auto inked = [&](int x, int y) { return Contrast(Luminance(At(t, x, y)), face) >= 1.5; };
        std::vector<double> symbol;
        for (int p = 0; p < 22 * 22; ++p) {
            const int x = 5 + p % 22, y = 5 + p / 22;
            if (inked(x, y) && inked(x - 1, y) && inked(x + 1, y) && inked(x, y - 1) &&
                inked(x, y + 1))
                symbol.push_back(Luminance(At(t, x, y)));
        }
        ASSERT_GT(symbol.size(), 40u) << "pic" << i + 1;
        std::nth_element(symbol.begin(), symbol.begin() + symbol.size() / 2, symbol.end());
        EXPECT_GE(Contrast(symbol[symbol.size() / 2], face), 3.0) << "pic" << i + 1;
    }
}

// Each cursor frame leaves most of each tile and its middle clear; crossing its edge inward along
// its sides, it shows two pixels in a row that stand out by 3:1 from every tile's face.
TEST_F(Assets, EveryCursorFrameLeavesTheTilesSeenAndStandsOutOnEveryTile) {
    const Surface s = To565("data/gfx/rotate.png");
    for (int f = 0; f < 6; ++f) {
        for (int q = 0; q < 4; ++q) {
            const int x0 = 64 * f + (q % 2) * 32, y0 = (q / 2) * 32;
            EXPECT_GT(CountKey(s, x0, y0, 32, 32), 32 * 32 * 6 / 10) << "frame " << f;
            EXPECT_EQ(CountKey(s, x0 + 12, y0 + 12, 8, 8), 64) << "frame " << f;
        }
        for (const Surface& tile : tiles) {
            const double face = Face(tile);
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
            EXPECT_EQ(gaps, 0) << "frame " << f << " on pic" << &tile - &tiles[0] + 1;
        }
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
