// Float RGBA canvases, supersampled shape coverage and the PNG, BMP and WAV writers of the
// asset generator.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace assetgen {

// Straight (not premultiplied) colour, channels in 0..1 in the sRGB encoding of the files.
struct Color {
    float r = 0, g = 0, b = 0, a = 1;
};

Color Rgb(int r, int g, int b);
Color Mix(const Color& a, const Color& b, float t); // a at t = 0, b at t = 1, alpha too
Color Lighten(const Color& c, float t);             // towards white
Color Darken(const Color& c, float t);              // towards black
Color Over(const Color& top, const Color& bottom);  // source-over compositing
float Luma(const Color& c);                         // Rec. 601 luma, 0..1

struct Canvas {
    int w = 0, h = 0;
    std::vector<Color> px;

    Canvas() = default;
    Canvas(int width, int height, Color fill = {0, 0, 0, 0});
    Color& at(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }
    const Color& at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
};

// Copies src onto dst at (x, y) with source-over compositing, clipped to dst.
void Blit(Canvas& dst, const Canvas& src, int x, int y);
// Box-filtered downscale or nearest-neighbour upscale by an integer factor.
Canvas Downscale(const Canvas& src, int factor);
Canvas Upscale(const Canvas& src, int factor);

// Renders a w x h canvas from sample(x, y), the colour at a point in pixel units, averaged over
// an n x n grid per pixel with premultiplied alpha.
template <typename F>
Canvas Render(int w, int h, F&& sample, int n = 4) {
    Canvas out(w, h);
    const float inv = 1.0f / static_cast<float>(n);
    for (int py = 0; py < h; ++py)
        for (int px = 0; px < w; ++px) {
            float r = 0, g = 0, b = 0, a = 0;
            for (int j = 0; j < n; ++j)
                for (int i = 0; i < n; ++i) {
                    Color c = sample(px + (i + 0.5f) * inv, py + (j + 0.5f) * inv);
                    r += c.r * c.a;
                    g += c.g * c.a;
                    b += c.b * c.a;
                    a += c.a;
                }
            if (a > 0) out.at(px, py) = {r / a, g / a, b / a, a * inv * inv};
        }
    return out;
}

// A shape as a signed distance in pixels: negative inside.
using Sdf = std::function<float(float x, float y)>;

// Fraction of an n x n grid of samples in the unit pixel at (px, py) where sdf is negative.
float Coverage(const Sdf& sdf, int px, int py, int n = 4);

// Shapes centred on the origin (translate by wrapping the lambda).
float SdDisc(float x, float y, float r);
float SdBox(float x, float y, float halfW, float halfH, float radius = 0);
float SdSegment(float x, float y, float ax, float ay, float bx, float by, float halfWidth);
float SdPolygon(float x, float y, std::span<const float> xy); // closed, any winding

// Quantised 8-bit RGB(A) pixels.
struct Pixels8 {
    int w = 0, h = 0, channels = 3;
    std::vector<uint8_t> data;
};

// The colour every image uses where it is transparent, and its RGB565 neighbourhood.
inline constexpr uint8_t kKeyR = 255, kKeyG = 0, kKeyB = 255;
bool MapsToKey565(uint8_t r, uint8_t g, uint8_t b);

// Opaque RGB: alpha is dropped; a pixel that would become the key in RGB565 is nudged off it.
Pixels8 ToOpaqueRgb(const Canvas& c);
// Keyed RGB: pixels with alpha below one half become exact magenta; the others are composited
// over `matte` (the colour they are expected to sit on) and kept off the key.
Pixels8 ToKeyedRgb(const Canvas& c, const Color& matte);
// RGBA for desktop icons.
Pixels8 ToRgba(const Canvas& c);

// Writers; each returns false with a message on standard error when the file cannot be written.
bool WritePng(const std::string& path, const Pixels8& img);
bool WriteBmp24(const std::string& path, const Pixels8& img);
bool WriteWav16(const std::string& path, int rate, const std::vector<int16_t>& interleavedStereo);

} // namespace assetgen
