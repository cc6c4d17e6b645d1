// The wordmark: the font's glyphs rasterised large, given an outline and a block shadow by
// distance transform, then filtered down to their final size.
#include "artwork.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace assetgen {
namespace {

constexpr int kOversample = 4;
constexpr int kMaxHeight = 64;
constexpr float kOutline = 3.0f; // pixels
constexpr int kExtrude = 4;      // pixels of block shadow down and right

struct Mask {
    int w = 0, h = 0;
    std::vector<float> v;
    float at(int x, int y) const {
        if (x < 0 || y < 0 || x >= w || y >= h) return 0.0f;
        return v[static_cast<size_t>(y) * w + x];
    }
};

// Coverage of the text at `points` pixels, cropped to its ink; empty on failure.
Mask RenderText(const std::string& fontPath, const char* text, int points) {
    Mask m;
    if (TTF_Init() != 0) {
        std::fprintf(stderr, "assetgen: TTF_Init: %s\n", TTF_GetError());
        return m;
    }
    TTF_Font* font = TTF_OpenFont(fontPath.c_str(), points);
    if (font == nullptr) {
        std::fprintf(stderr, "assetgen: %s: %s\n", fontPath.c_str(), TTF_GetError());
        TTF_Quit();
        return m;
    }
    SDL_Color white = {255, 255, 255, 0};
    SDL_Surface* s = TTF_RenderUTF8_Blended(font, text, white);
    TTF_CloseFont(font);
    if (s == nullptr) {
        std::fprintf(stderr, "assetgen: TTF_RenderUTF8_Blended: %s\n", TTF_GetError());
        TTF_Quit();
        return m;
    }
    int x0 = s->w, y0 = s->h, x1 = -1, y1 = -1;
    auto alpha = [&](int x, int y) {
        const auto* row = static_cast<const uint8_t*>(s->pixels) + y * s->pitch;
        uint32_t p = reinterpret_cast<const uint32_t*>(row)[x];
        return static_cast<float>((p & s->format->Amask) >> s->format->Ashift) / 255.0f;
    };
    SDL_LockSurface(s);
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x)
            if (alpha(x, y) > 0) {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x);
                y1 = std::max(y1, y);
            }
    if (x1 >= 0) {
        m.w = x1 - x0 + 1;
        m.h = y1 - y0 + 1;
        m.v.resize(static_cast<size_t>(m.w) * m.h);
        for (int y = 0; y < m.h; ++y)
            for (int x = 0; x < m.w; ++x)
                m.v[static_cast<size_t>(y) * m.w + x] = alpha(x0 + x, y0 + y);
    }
    SDL_UnlockSurface(s);
    SDL_FreeSurface(s);
    TTF_Quit();
    return m;
}

// Exact squared Euclidean distance transform of one line (Felzenszwalb and Huttenlocher).
void DistanceLine(std::vector<float>& f, std::vector<float>& d, std::vector<int>& v,
                  std::vector<float>& z, int n) {
    const float inf = std::numeric_limits<float>::infinity();
    int k = 0;
    v[0] = 0;
    z[0] = -inf;
    z[1] = inf;
    for (int q = 1; q < n; ++q) {
        if (f[static_cast<size_t>(q)] == inf) continue;
        while (true) {
            int p = v[static_cast<size_t>(k)];
            if (f[static_cast<size_t>(p)] == inf) {
                v[static_cast<size_t>(k)] = q;
                z[static_cast<size_t>(k + 1)] = inf;
                break;
            }
            float s = ((f[static_cast<size_t>(q)] + static_cast<float>(q) * q) -
                       (f[static_cast<size_t>(p)] + static_cast<float>(p) * p)) /
                      (2.0f * static_cast<float>(q - p));
            if (s <= z[static_cast<size_t>(k)] && k > 0) {
                --k;
                continue;
            }
            if (s <= z[static_cast<size_t>(k)]) {
                v[static_cast<size_t>(k)] = q;
                z[static_cast<size_t>(k + 1)] = inf;
                break;
            }
            ++k;
            v[static_cast<size_t>(k)] = q;
            z[static_cast<size_t>(k)] = s;
            z[static_cast<size_t>(k + 1)] = inf;
            break;
        }
    }
    k = 0;
    for (int q = 0; q < n; ++q) {
        while (z[static_cast<size_t>(k + 1)] < static_cast<float>(q))
            ++k;
        int p = v[static_cast<size_t>(k)];
        float dq = static_cast<float>(q - p);
        d[static_cast<size_t>(q)] =
            f[static_cast<size_t>(p)] == inf ? inf : dq * dq + f[static_cast<size_t>(p)];
    }
}

// Distance from every sample to the nearest sample where `inside` holds (0 there).
std::vector<float> DistanceTo(const std::vector<bool>& inside, int w, int h) {
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> g(inside.size());
    for (size_t i = 0; i < inside.size(); ++i)
        g[i] = inside[i] ? 0.0f : inf;
    int n = std::max(w, h);
    std::vector<float> f(static_cast<size_t>(n)), d(static_cast<size_t>(n)),
        z(static_cast<size_t>(n) + 1);
    std::vector<int> v(static_cast<size_t>(n));
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y < h; ++y)
            f[static_cast<size_t>(y)] = g[static_cast<size_t>(y) * w + x];
        DistanceLine(f, d, v, z, h);
        for (int y = 0; y < h; ++y)
            g[static_cast<size_t>(y) * w + x] = d[static_cast<size_t>(y)];
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            f[static_cast<size_t>(x)] = g[static_cast<size_t>(y) * w + x];
        DistanceLine(f, d, v, z, w);
        for (int x = 0; x < w; ++x)
            g[static_cast<size_t>(y) * w + x] = std::sqrt(d[static_cast<size_t>(x)]);
    }
    return g;
}

Canvas Compose(const Mask& glyphs) {
    const int F = kOversample;
    const int padLeft = static_cast<int>(kOutline + 1) * F;
    const int padTop = padLeft;
    const int padRight = padLeft + kExtrude * F, padBottom = padTop + kExtrude * F;
    int w = glyphs.w + padLeft + padRight, h = glyphs.h + padTop + padBottom;
    w = (w + F - 1) / F * F;
    h = (h + F - 1) / F * F;
    auto idx = [w](int x, int y) { return static_cast<size_t>(y) * w + x; };

    std::vector<bool> ink(static_cast<size_t>(w) * h), ground(ink.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            ink[idx(x, y)] = glyphs.at(x - padLeft, y - padTop) >= 0.5f;
            ground[idx(x, y)] = !ink[idx(x, y)];
        }
    std::vector<float> out = DistanceTo(ink, w, h);   // distance outside the letters
    std::vector<float> in = DistanceTo(ground, w, h); // depth inside the letters
    const float outline = kOutline * F;
    auto outlined = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < w && y < h && out[idx(x, y)] <= outline;
    };

    const Color top = Rgb(255, 232, 110), middle = Rgb(252, 150, 40), bottom = Rgb(214, 46, 44);
    const Color edge = Rgb(46, 18, 92), block = Rgb(28, 10, 60), blockLit = Rgb(70, 40, 130);
    Canvas hi(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Color c{0, 0, 0, 0};
            for (int k = kExtrude * F; k >= 1; --k)
                if (outlined(x - k, y - k)) {
                    c = Mix(blockLit, block, static_cast<float>(k) / (kExtrude * F));
                    break;
                }
            if (outlined(x, y)) c = edge;
            if (ink[idx(x, y)]) {
                float t = static_cast<float>(y - padTop) / static_cast<float>(glyphs.h);
                c = t < 0.5f ? Mix(top, middle, t * 2) : Mix(middle, bottom, t * 2 - 1);
                if (t < 0.42f)
                    c = Lighten(c, 0.30f * (1.0f - t / 0.42f)); // gloss on the upper part
                // A thin light rim along the upper-left inner edge, dark along the lower right.
                float depth = in[idx(x, y)];
                if (depth < 1.2f * F) {
                    bool lit = !ink[idx(x - F, y - F)];
                    c = lit ? Lighten(c, 0.45f) : Darken(c, 0.25f);
                }
            }
            hi.at(x, y) = c;
        }
    return Downscale(hi, F);
}

} // namespace

namespace {

// Four small tiles in a 2 x 2 block, outlined and shadowed like the letters, its outline's
// bottom on row `bottom`.
Canvas TileBlock(const int (&ids)[4], int tile, int height, float bottom) {
    const float edge = kOutline, size = 2.0f * tile;
    const Color rim = Rgb(46, 18, 92), block = Rgb(28, 10, 60), blockLit = Rgb(70, 40, 130);
    int w = static_cast<int>(size + 2 * edge) + kExtrude;
    Canvas out = Render(w, height, [&](float x, float y) {
        float top = bottom - edge - size;
        float cx = edge + size / 2, cy = top + size / 2;
        float body = SdBox(x - cx, y - cy, size / 2 + edge, size / 2 + edge, 2.0f);
        if (body < 0) return rim;
        for (int k = kExtrude * 4; k >= 1; --k) {
            float d = k / 4.0f;
            if (SdBox(x - d - cx, y - d - cy, size / 2 + edge, size / 2 + edge, 2.0f) < 0)
                return Mix(blockLit, block, d / kExtrude);
        }
        return Color{0, 0, 0, 0};
    });
    int top = static_cast<int>(bottom - edge) - 2 * tile;
    for (int k = 0; k < 4; ++k)
        Blit(out, DrawTile(ids[k], tile), static_cast<int>(edge) + (k % 2) * tile,
             top + (k / 2) * tile);
    return out;
}

} // namespace

Canvas DrawLogo(const std::string& fontPath) {
    for (int points = 64; points >= 24; points -= 2) {
        Mask glyphs = RenderText(fontPath, "Kelmora", points * kOversample);
        if (glyphs.w == 0) return {};
        Canvas word = Compose(glyphs);
        if (word.h > kMaxHeight) continue;
        // The word between two blocks of tiles, the game's own pieces.
        const int left[4] = {0, 2, 6, 4}, right[4] = {9, 7, 3, 1};
        const int tile = 14, gap = 10;
        // The blocks stand on the baseline, as tall as the small letters.
        float base = kOutline + 1 + static_cast<float>(glyphs.h) / kOversample + kOutline;
        Canvas a = TileBlock(left, tile, word.h, base), b = TileBlock(right, tile, word.h, base);
        Canvas logo(a.w + gap + word.w + gap + b.w, word.h);
        Blit(logo, a, 0, 0);
        Blit(logo, word, a.w + gap, 0);
        Blit(logo, b, a.w + gap + word.w + gap, 0);
        return logo;
    }
    return {};
}

} // namespace assetgen
