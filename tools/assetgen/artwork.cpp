// Background texture, selection bar, cursor strip and application icon.
#include "artwork.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace assetgen {
namespace {

constexpr float kPi = 3.14159265f;
constexpr int kBackgroundSize = 128;

uint32_t Hash(uint32_t x, uint32_t y, uint32_t seed) {
    uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return h;
}

float Unit(uint32_t h) {
    return static_cast<float>(h & 0xffffu) / 65535.0f;
}

// Value noise with a lattice of `cells` x `cells` that wraps at the edge of the texture.
float PeriodicNoise(float x, float y, int cells, uint32_t seed) {
    float fx = x * cells / kBackgroundSize, fy = y * cells / kBackgroundSize;
    int ix = static_cast<int>(std::floor(fx)), iy = static_cast<int>(std::floor(fy));
    float tx = fx - ix, ty = fy - iy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    auto at = [&](int i, int j) {
        return Unit(Hash(static_cast<uint32_t>((i % cells + cells) % cells),
                         static_cast<uint32_t>((j % cells + cells) % cells), seed));
    };
    float a = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * tx;
    float b = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * tx;
    return a + (b - a) * ty;
}

const Color kPaper = Rgb(236, 231, 216);

} // namespace

Canvas DrawBackground() {
    // Warm paper with a faint grid of raised squares that echoes the tiles, wrapping seamlessly.
    Canvas out(kBackgroundSize, kBackgroundSize);
    const int square = 32;
    for (int y = 0; y < out.h; ++y)
        for (int x = 0; x < out.w; ++x) {
            float n = 0.55f * PeriodicNoise(x + 0.5f, y + 0.5f, 8, 11) +
                      0.30f * PeriodicNoise(x + 0.5f, y + 0.5f, 32, 12) +
                      0.15f * PeriodicNoise(x + 0.5f, y + 0.5f, 64, 13);
            float grain = Unit(Hash(static_cast<uint32_t>(x), static_cast<uint32_t>(y), 14));
            float v = (n - 0.5f) * 0.045f + (grain - 0.5f) * 0.018f;
            int sx = x % square, sy = y % square;
            uint32_t cell =
                Hash(static_cast<uint32_t>(x / square), static_cast<uint32_t>(y / square), 15);
            v += (Unit(cell) - 0.5f) * 0.012f;
            if (sx == 0 || sy == 0)
                v += 0.022f;
            else if (sx == square - 1 || sy == square - 1)
                v -= 0.030f;
            Color c = v > 0 ? Lighten(kPaper, v * 3.0f) : Darken(kPaper, -v);
            out.at(x, y) = c;
        }
    return out;
}

Color BackgroundMatte() {
    Canvas bg = DrawBackground();
    float r = 0, g = 0, b = 0;
    for (const Color& c : bg.px) {
        r += c.r;
        g += c.g;
        b += c.b;
    }
    float k = 1.0f / static_cast<float>(bg.px.size());
    return {r * k, g * k, b * k, 1.0f};
}

Canvas DrawSelectBar() {
    // A golden capsule with a gloss and two violet pointers at its ends. The bar rests 10 pixels
    // below the top of its item's text, so the capsule is short and the text stands on it.
    const int w = 300, h = 26;
    const float top = 1.0f, bottom = 22.0f;
    const float cy = (top + bottom) / 2, halfH = (bottom - top) / 2;
    const float cx = w / 2.0f, halfW = w / 2.0f - 2.0f;
    const Color rim = Rgb(150, 96, 24), light = Rgb(255, 238, 160), deep = Rgb(236, 176, 64);
    const Color pointer = Rgb(95, 10, 250), shadow = {0.25f, 0.18f, 0.10f, 0.45f};
    auto capsule = [&](float x, float y) { return SdBox(x - cx, y - cy, halfW, halfH, halfH); };
    auto pointers = [&](float x, float y) {
        const float l[6] = {9, cy - 6, 17, cy, 9, cy + 6};
        const float r[6] = {w - 9.0f, cy - 6, w - 17.0f, cy, w - 9.0f, cy + 6};
        return std::min(SdPolygon(x, y, l), SdPolygon(x, y, r));
    };
    return Render(w, h, [&](float x, float y) {
        Color c{0, 0, 0, 0};
        if (capsule(x - 1.0f, y - 2.0f) < 0) c = shadow;
        float d = capsule(x, y);
        if (d < 0) {
            float t = (y - top) / (bottom - top);
            c = Mix(light, deep, t);
            if (y < cy - 1.0f && d < -2.5f) c = Lighten(c, 0.35f * (1.0f - t * 1.6f));
            if (d > -1.6f) c = rim;
            if (pointers(x, y) < 0) c = pointer;
        }
        return c;
    });
}

namespace {

// Circular double arrow around (0, 0): two arcs turning the same way, each with a head.
float TurnArrows(float x, float y, float radius, float halfWidth) {
    float r = std::sqrt(x * x + y * y);
    float a = std::atan2(y, x); // -pi..pi, clockwise on screen as it grows
    float d = 1e9f;
    for (int k = 0; k < 2; ++k) {
        float start = -kPi / 2 + k * kPi + 0.35f; // leave a gap before each head
        float span = kPi - 1.05f;
        float rel = std::remainder(a - start - span / 2, 2 * kPi);
        float arc = std::fabs(r - radius) - halfWidth;
        d = std::min(d, std::fabs(rel) <= span / 2 ? arc : 1e9f);
        float endA = start + span;
        float ex = radius * std::cos(endA), ey = radius * std::sin(endA);
        float tx = -std::sin(endA), ty = std::cos(endA); // direction of travel
        float nx = std::cos(endA), ny = std::sin(endA);
        float hl = halfWidth * 3.0f + 0.6f;
        const float head[6] = {ex + tx * hl * 1.3f, ey + ty * hl * 1.3f, ex + nx * hl,
                               ey + ny * hl,        ex - nx * hl,        ey - ny * hl};
        d = std::min(d, SdPolygon(x, y, head));
    }
    return d;
}

} // namespace

Canvas DrawCursorStrip() {
    Canvas out(kCursorSize * kCursorFrames, kCursorSize);
    const Color outline = Rgb(24, 20, 48);
    const Color calm = Rgb(196, 206, 236), strong = Rgb(255, 236, 96);
    for (int f = 0; f < kCursorFrames; ++f) {
        float t = static_cast<float>(f) / (kCursorFrames - 1);
        Color core = Mix(calm, strong, t);
        float half = kCursorSize / 2.0f;
        float coreHalf = 1.0f + 0.45f * t; // half the width of the bright line of the frame
        // The turn arrows in the middle stay small enough that, with the frame, each tile of the
        // block is still 60 % clear.
        float ringR = 6.0f + 1.5f * t;
        Canvas frame = Render(kCursorSize, kCursorSize, [&](float px, float py) {
            float x = px - half, y = py - half;
            // The frame follows the block's edge, inset so that its outline fits; its outer
            // edge stays put while the bright line grows inward.
            float inset = half - 2.0f - coreHalf;
            float across = SdBox(x, y, inset, inset, 6.0f - coreHalf);
            float border = std::fabs(across) - coreHalf;
            float arrows = TurnArrows(x, y, ringR, 0.8f + 0.3f * t);
            float shape = std::min(border, arrows);
            if (shape < 0) return core;
            // Outside the frame the dark line is two pixels wide, out to the block's edge: the
            // pale calm frames fade into light tiles, and this line shows on every tile.
            float width = across > 0 && border <= arrows ? 2.0f : 1.1f;
            return shape < width ? outline : Color{0, 0, 0, 0};
        });
        Blit(out, frame, f * kCursorSize, 0);
    }
    return out;
}

Canvas DrawIcon(int size) {
    // Four tiles in a rounded block with the turn arrows over their meeting point.
    Canvas out(size, size);
    const int margin = size / 16;
    const int tile = (size - 2 * margin) / 2;
    const int shown[4] = {0, 2, 6, 4};
    for (int k = 0; k < 4; ++k)
        Blit(out, DrawTile(shown[k], tile), margin + (k % 2) * tile, margin + (k / 2) * tile);
    // Round the block's outer corners.
    const float radius = size / 10.0f, lo = static_cast<float>(margin);
    const float hi = static_cast<float>(margin + 2 * tile);
    const float c = (lo + hi) / 2, h = (hi - lo) / 2;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float cov = 1.0f - Coverage([&](float u,
                                            float v) { return -SdBox(u - c, v - c, h, h, radius); },
                                        x, y);
            out.at(x, y).a *= cov;
        }
    const float s = size / 64.0f;
    const Color core = Rgb(255, 244, 200), rim = Rgb(24, 20, 48);
    Canvas arrows = Render(size, size, [&](float x, float y) {
        float d = TurnArrows((x - c) / s, (y - c) / s, 11.0f, 2.0f);
        if (d < 0) return core;
        return d < 1.5f ? rim : Color{0, 0, 0, 0};
    });
    Blit(out, arrows, 0, 0);
    return out;
}

} // namespace assetgen
