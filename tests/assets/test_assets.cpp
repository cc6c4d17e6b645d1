// The generated data/ as the game shows it: sizes, key, tiles apart, contrast, determinism.
#include "sdl_spy.h"

#include <SDL_image.h>

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <set>

constexpr Uint16 kKey = 0xF81F; // magenta (255, 0, 255) in RGB565
using Surface = std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)>;

Surface To565(const std::string& path) { // as the game converts images before setting the key
    const Surface image(IMG_Load(path.c_str()), SDL_FreeSurface);
    return {image ? SDL_DisplayFormat(image.get()) : nullptr, SDL_FreeSurface};
}

Uint16 At(const Surface& s, int x, int y) {
    return static_cast<const Uint16*>(s->pixels)[y * s->pitch / 2 + x];
}

int CountKey(const Surface& s, int x0, int y0, int w, int h) { // key pixels in that area
    int n = 0;
    for (int i = 0; i < w * h; ++i)
        n += At(s, x0 + i % w, y0 + i / w) == kKey;
    return n;
}

// WCAG 2 relative luminance of a pixel of the 16-bit screen, and the contrast ratio of two.
auto Linear = [](double v) { return v <= .04045 ? v / 12.92 : std::pow((v + .055) / 1.055, 2.4); };
double Luminance(Uint16 c) {
    return 0.2126 * Linear((c >> 11) / 31.0) + 0.7152 * Linear((c >> 5 & 63) / 63.0) +
           0.0722 * Linear((c & 31) / 31.0);
}
auto Lum = [](const Surface& s, int x, int y) { return Luminance(At(s, x, y)); };
auto Contrast = [](double a, double b) { return (std::max(a, b) + .05) / (std::min(a, b) + .05); };

// The images have the sizes the layout needs, and the key only where the cursor is cut out.
TEST(Assets, ImagesAsTheGameShowsThem) {
    sdlspy::UseDummyDrivers(); // the game's 16-bit screen, which images are converted to
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    atexit(SDL_Quit); // after the surfaces are freed
    ASSERT_TRUE(SDL_SetVideoMode(640, 480, 16, SDL_SWSURFACE)) << SDL_GetError();
    const Surface rotate = To565("data/gfx/rotate.png");
    ASSERT_TRUE(rotate) << SDL_GetError();
    ASSERT_EQ(std::pair(rotate->w, rotate->h), std::pair(384, 64));

    // For players who tell colours apart poorly, tiles differ by a mean relative luminance of 0.03,
    // and each symbol (unlike the face by 1.5:1) stands out from it by 3:1 in at least half its
    // pixels. The face: the mean luminance of the band 3 and 4 pixels in, inside the rim.
    std::vector<Surface> tiles;
    std::vector<double> faces;
    for (int n = 1; n <= 16; ++n) {
        const Surface& t = tiles.emplace_back(To565("data/gfx/pic" + std::to_string(n) + ".bmp"));
        ASSERT_TRUE(t) << "pic" << n << ": " << SDL_GetError();
        ASSERT_EQ(std::pair(t->w, t->h), std::pair(32, 32)) << "pic" << n;
        EXPECT_EQ(CountKey(t, 0, 0, 32, 32), 0) << "pic" << n;
        double& face = faces.emplace_back();
        for (int i = 3; i < 29; ++i)
            for (int d : {3, 4, 27, 28})
                face += (Lum(t, i, d) + Lum(t, d, i)) / (26 * 8);
        for (int j = 0; j + 1 < n; ++j) {
            double sum = 0;
            for (int p = 0; p < 32 * 32; ++p)
                sum += std::abs(Lum(t, p % 32, p / 32) - Lum(tiles[j], p % 32, p / 32));
            EXPECT_GT(sum / 1024, 0.03) << "pic" << j + 1 << " and pic" << n;
        }
        int symbol = 0, strong = 0;
        for (int p = 0; p < 22 * 22; ++p) { // inside the rim
            const double c = Contrast(Lum(t, 5 + p % 22, 5 + p / 22), face);
            symbol += c >= 1.5;
            strong += c >= 3.0;
        }
        ASSERT_GT(symbol, 40) << "pic" << n;
        EXPECT_GE(2 * strong, symbol) << "pic" << n;
    }

    // Each cursor frame leaves most of each tile clear; crossing its edge inward along its sides,
    // it shows two pixels in a row that stand out by 3:1 from every tile's face.
    for (int q = 0; q < 24; ++q) // over 60 % of each quarter of a frame
        EXPECT_GT(CountKey(rotate, q / 2 * 32, q % 2 * 32, 32, 32), 614) << "frame " << q / 4;
    for (int f = 0; f < 6; ++f) {
        std::set<int> bare;                     // tiles on which a crossing finds no such edge
        for (int k = 0; k < 16 * 4 * 48; ++k) { // on each tile 48 crossings a side, corners aside
            const int t = k / 192, side = k / 48 % 4, p = 8 + k % 48;
            int run = 0;
            for (int d = 0; d < 8 && run < 2; ++d) {
                const int a = side % 2 ? 63 - d : d, x = side < 2 ? p : a, y = side < 2 ? a : p;
                const Uint16 c = At(rotate, 64 * f + x, y);
                run = c != kKey && Contrast(Luminance(c), faces[t]) >= 3.0 ? run + 1 : 0;
            }
            if (run < 2) bare.insert(t + 1);
        }
        EXPECT_EQ(bare, std::set<int>{}) << "frame " << f;
    }
}

// A fresh run of the generator writes the very files the build put in data/ and icons/.
TEST(AssetFiles, TheGeneratorWritesTheSameBytesOnEveryRun) {
    const char* cmd = "d=$(mktemp -d) && '" KELMORA_ASSETGEN "' --font '" KELMORA_FONT_FILE
                      "' --licence '" KELMORA_FONT_LICENCE "' --data $d/data --icons $d/icons"
                      " && diff -r $d/data data && diff -r $d/icons icons && rm -r $d";
    EXPECT_EQ(std::system(cmd), 0);
}
