// kelmora_contact_sheet: one PNG that shows the generated art the way a player meets it (a
// menu and a play screen mocked up at 16 bits per pixel), every tile at 1x, 4x and in
// greyscale, the cursor pulse over a block of tiles, and the icons. For looking, not shipping.
#include "artwork.h"
#include "canvas.h"
#include "puzzle.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

using namespace assetgen;

namespace {

// What the game draws: keyed images lose their magenta pixels, opaque ones stay whole.
Canvas AsDrawn(const Pixels8& p) {
    Canvas c(p.w, p.h);
    for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x) {
            const uint8_t* s = &p.data[(static_cast<size_t>(y) * p.w + x) * 3];
            if (s[0] == kKeyR && s[1] == kKeyG && s[2] == kKeyB) continue;
            c.at(x, y) = Rgb(s[0], s[1], s[2]);
        }
    return c;
}

// The screen is RGB565: show its banding honestly.
void To565(Canvas& c) {
    for (Color& p : c.px) {
        auto q = [](float v, int bits) {
            int levels = (1 << bits) - 1;
            int i = static_cast<int>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)) >> (8 - bits);
            return static_cast<float>(i) / static_cast<float>(levels);
        };
        p = {q(p.r, 5), q(p.g, 6), q(p.b, 5), 1.0f};
    }
}

Canvas Grey(const Canvas& c) {
    Canvas g = c;
    for (Color& p : g.px) {
        float y = Luma(p);
        p = {y, y, y, p.a};
    }
    return g;
}

struct Fonts {
    TTF_Font* large = nullptr;
    TTF_Font* medium = nullptr;
    TTF_Font* small = nullptr;
};

void Text(Canvas& dst, TTF_Font* font, const char* text, Color col, int x, int y) {
    SDL_Color c = {static_cast<Uint8>(col.r * 255), static_cast<Uint8>(col.g * 255),
                   static_cast<Uint8>(col.b * 255), 0};
    SDL_Surface* s = TTF_RenderUTF8_Blended(font, text, c);
    if (s == nullptr) return;
    SDL_LockSurface(s);
    Canvas t(s->w, s->h);
    for (int j = 0; j < s->h; ++j)
        for (int i = 0; i < s->w; ++i) {
            const auto* row = static_cast<const uint8_t*>(s->pixels) + j * s->pitch;
            uint32_t p = reinterpret_cast<const uint32_t*>(row)[i];
            float a = static_cast<float>((p & s->format->Amask) >> s->format->Ashift) / 255.0f;
            t.at(i, j) = {col.r, col.g, col.b, a};
        }
    SDL_UnlockSurface(s);
    SDL_FreeSurface(s);
    Blit(dst, t, x < 0 ? (640 - t.w) / 2 : x, y);
}

// The game's outlined text: four pale copies shifted diagonally by 2, then the text.
void Outlined(Canvas& dst, TTF_Font* font, const char* text, Color col, int y) {
    int w = 0, h = 0;
    TTF_SizeUTF8(font, text, &w, &h);
    int x = (640 - w) / 2;
    const Color pale = Rgb(200, 200, 240);
    for (int k = 0; k < 4; ++k)
        Text(dst, font, text, pale, x + ((k == 0 || k == 3) ? 2 : -2),
             y + ((k == 0 || k == 2) ? 2 : -2));
    Text(dst, font, text, col, x, y);
}

Canvas TitleBackground(const Canvas& bg, const Canvas& logo, const Fonts& f) {
    Canvas s(640, 480);
    for (int y = 0; y < 480; y += bg.h)
        for (int x = 0; x < 640; x += bg.w)
            Blit(s, bg, x, y);
    Blit(s, logo, (640 - logo.w) / 2, 21);
    Text(s, f.small, "Kelmora " KELMORA_VERSION " - turn the tiles back into the picture",
         Rgb(20, 20, 20), -1, 90);
    return s;
}

void DrawBoard(Canvas& dst, const Canvas* tiles, int level, int cx, int cy) {
    Board b{};
    if (klmr_BoardLoadLevel(&b, static_cast<uint8_t>(level)) != 0) return;
    int left = cx - b.width * kTileSize / 2, top = cy - b.height * kTileSize / 2;
    for (int x = 0; x < b.width; ++x)
        for (int y = 0; y < b.height; ++y)
            if (b.cells[x][y] >= 1 && b.cells[x][y] <= kTileCount)
                Blit(dst, tiles[b.cells[x][y] - 1], left + x * kTileSize, top + y * kTileSize);
}

} // namespace

int main(int argc, char** argv) {
    std::string font, out;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--font") == 0)
            font = argv[i + 1];
        else if (std::strcmp(argv[i], "--out") == 0)
            out = argv[i + 1];
    }
    if (font.empty() || out.empty()) {
        std::fprintf(stderr, "usage: kelmora_contact_sheet --font FILE.ttf --out FILE.png\n");
        return 2;
    }
    if (TTF_Init() != 0) return 1;
    Fonts f{TTF_OpenFont(font.c_str(), 27), TTF_OpenFont(font.c_str(), 20),
            TTF_OpenFont(font.c_str(), 16)};
    if (f.large == nullptr || f.medium == nullptr || f.small == nullptr) {
        std::fprintf(stderr, "kelmora_contact_sheet: %s: %s\n", font.c_str(), TTF_GetError());
        return 1;
    }

    const Color matte = BackgroundMatte();
    const Canvas bg = AsDrawn(ToOpaqueRgb(DrawBackground()));
    const Canvas logo = AsDrawn(ToKeyedRgb(DrawLogo(font), matte));
    const Canvas bar = AsDrawn(ToKeyedRgb(DrawSelectBar(), matte));
    const Canvas cursor = AsDrawn(ToKeyedRgb(DrawCursorStrip(), Rgb(0, 0, 0)));
    Canvas tiles[kTileCount];
    for (int i = 0; i < kTileCount; ++i)
        tiles[i] = AsDrawn(ToOpaqueRgb(DrawTile(i)));
    auto frame = [&](int k) {
        Canvas c(kCursorSize, kCursorSize);
        Blit(c, cursor, -k * kCursorSize, 0);
        return c;
    };

    const Color blue = Rgb(10, 10, 250), red = Rgb(250, 10, 25), menu = Rgb(95, 10, 250);
    const Color dark = Rgb(20, 20, 20);

    // The menu as start-up leaves it, with the bar on "Start" and the bouncing tiles mid-hop.
    Canvas title = TitleBackground(bg, logo, f);
    Blit(title, bar, (640 - bar.w) / 2, 151 + 4);
    const char* items[] = {"Start", "HiScores", "About", "Exit"};
    for (int i = 0; i < 4; ++i)
        Outlined(title, f.large, items[i], menu, 145 + 40 * i);
    for (int i = 0; i < 10; ++i) {
        int angle = (i * 15 + 40) % 180;
        Blit(title, tiles[3], 10 + i * 60,
             450 - static_cast<int>(std::sin(angle * 3.14159265 / 180) * 80));
    }
    To565(title);

    // A play screen: level 14 on the left, level 30 on the right under the strongest cursor.
    Canvas play = TitleBackground(bg, logo, f);
    Outlined(play, f.medium, "Level 14 of 32        Time 240", blue, 122);
    DrawBoard(play, tiles, 13, 150, 266);
    DrawBoard(play, tiles, 29, 490, 266);
    Blit(play, frame(5), 490 - 7 * 16 + 32, 266 - 7 * 16 + 32);
    Outlined(play, f.medium, "Score 12345", red, 390);
    Text(play, f.small, "[ left button turns left, right button turns right ]", dark, -1, 420);
    Text(play, f.small, "[ level code for levels 11 to 15: mezzo ]", dark, -1, 440);
    To565(play);

    const int gap = 16;
    Canvas sheet(640 * 2 + gap * 3, 480 + 1060, Rgb(96, 96, 104));
    Blit(sheet, title, gap, gap);
    Blit(sheet, play, 640 + 2 * gap, gap);
    int y = 480 + 2 * gap;
    // Tiles at 1x with their greyscale below; greyscale at 2x on the right.
    for (int i = 0; i < kTileCount; ++i) {
        Blit(sheet, tiles[i], gap + i * 38, y);
        Blit(sheet, Grey(tiles[i]), gap + i * 38, y + 40);
        Blit(sheet, Upscale(Grey(tiles[i]), 2), 640 + 2 * gap + (i % 8) * 72, y + (i / 8) * 72);
    }
    y += 2 * 72 + gap;
    // Tiles at 4x, two rows of eight.
    for (int i = 0; i < kTileCount; ++i)
        Blit(sheet, Upscale(tiles[i], 4), gap + (i % 8) * 136, y + (i / 8) * 136);
    y += 2 * 136 + gap;
    // The six cursor frames over a block of four different tiles, at 1x and 3x.
    Canvas block(64, 64);
    const int under[4] = {4, 12, 2, 7};
    for (int k = 0; k < 4; ++k)
        Blit(block, tiles[under[k]], (k % 2) * 32, (k / 2) * 32);
    for (int k = 0; k < kCursorFrames; ++k) {
        Canvas b = block;
        Blit(b, frame(k), 0, 0);
        Blit(sheet, b, gap + k * 72, y);
        Blit(sheet, Upscale(b, 3), gap + k * 208, y + 72);
    }
    y += 72 + 192 + gap;
    // Both pictures in greyscale, as a player who sees no colour would; then the icons.
    Canvas pictures(640, 240, Rgb(96, 96, 104));
    DrawBoard(pictures, tiles, 13, 150, 120);
    DrawBoard(pictures, tiles, 29, 490, 120);
    Blit(sheet, Grey(pictures), gap, y);
    int x = 640 + 2 * gap;
    for (int size : {64, 128, 256}) {
        Canvas icon(size, size, Rgb(236, 236, 236));
        Blit(icon, DrawIcon(size), 0, 0);
        Blit(sheet, icon, x, y);
        x += size + gap;
    }
    TTF_CloseFont(f.large);
    TTF_CloseFont(f.medium);
    TTF_CloseFont(f.small);
    TTF_Quit();
    return WritePng(out, ToOpaqueRgb(sheet)) ? 0 : 1;
}
