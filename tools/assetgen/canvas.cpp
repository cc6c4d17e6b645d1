// Canvas arithmetic, shape coverage and the file writers (PNG via libpng, BMP and WAV by hand).
#include "canvas.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace assetgen {

Color Rgb(int r, int g, int b) {
    return {r / 255.0f, g / 255.0f, b / 255.0f, 1.0f};
}

Color Mix(const Color& a, const Color& b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
            a.a + (b.a - a.a) * t};
}

Color Lighten(const Color& c, float t) {
    return Mix(c, {1, 1, 1, c.a}, t);
}
Color Darken(const Color& c, float t) {
    return Mix(c, {0, 0, 0, c.a}, t);
}

Color Over(const Color& top, const Color& bottom) {
    float a = top.a + bottom.a * (1 - top.a);
    if (a <= 0) return {0, 0, 0, 0};
    auto ch = [&](float t, float b) { return (t * top.a + b * bottom.a * (1 - top.a)) / a; };
    return {ch(top.r, bottom.r), ch(top.g, bottom.g), ch(top.b, bottom.b), a};
}

float Luma(const Color& c) {
    return 0.299f * c.r + 0.587f * c.g + 0.114f * c.b;
}

Canvas::Canvas(int width, int height, Color fill)
    : w(width), h(height), px(static_cast<size_t>(width) * height, fill) {}

void Blit(Canvas& dst, const Canvas& src, int x, int y) {
    for (int sy = 0; sy < src.h; ++sy) {
        int dy = y + sy;
        if (dy < 0 || dy >= dst.h) continue;
        for (int sx = 0; sx < src.w; ++sx) {
            int dx = x + sx;
            if (dx < 0 || dx >= dst.w) continue;
            dst.at(dx, dy) = Over(src.at(sx, sy), dst.at(dx, dy));
        }
    }
}

Canvas Downscale(const Canvas& src, int f) {
    Canvas out(src.w / f, src.h / f);
    for (int y = 0; y < out.h; ++y)
        for (int x = 0; x < out.w; ++x) {
            // Premultiplied average, so transparent samples do not darken the edge.
            float r = 0, g = 0, b = 0, a = 0;
            for (int j = 0; j < f; ++j)
                for (int i = 0; i < f; ++i) {
                    const Color& c = src.at(x * f + i, y * f + j);
                    r += c.r * c.a;
                    g += c.g * c.a;
                    b += c.b * c.a;
                    a += c.a;
                }
            Color& o = out.at(x, y);
            o.a = a / static_cast<float>(f * f);
            if (a > 0) o = {r / a, g / a, b / a, o.a};
        }
    return out;
}

Canvas Upscale(const Canvas& src, int f) {
    Canvas out(src.w * f, src.h * f);
    for (int y = 0; y < out.h; ++y)
        for (int x = 0; x < out.w; ++x)
            out.at(x, y) = src.at(x / f, y / f);
    return out;
}

float Coverage(const Sdf& sdf, int px, int py, int n) {
    int inside = 0;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
            if (sdf(px + (i + 0.5f) / n, py + (j + 0.5f) / n) < 0) ++inside;
    return static_cast<float>(inside) / static_cast<float>(n * n);
}

float SdDisc(float x, float y, float r) {
    return std::sqrt(x * x + y * y) - r;
}

float SdBox(float x, float y, float halfW, float halfH, float radius) {
    float qx = std::fabs(x) - halfW + radius;
    float qy = std::fabs(y) - halfH + radius;
    float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - radius;
}

float SdSegment(float x, float y, float ax, float ay, float bx, float by, float halfWidth) {
    float px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
    float len2 = dx * dx + dy * dy;
    float t = len2 > 0 ? std::clamp((px * dx + py * dy) / len2, 0.0f, 1.0f) : 0.0f;
    float ex = px - dx * t, ey = py - dy * t;
    return std::sqrt(ex * ex + ey * ey) - halfWidth;
}

float SdPolygon(float x, float y, std::span<const float> xy) {
    size_t n = xy.size() / 2;
    float best = 1e9f;
    bool inside = false;
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        float xi = xy[2 * i], yi = xy[2 * i + 1], xj = xy[2 * j], yj = xy[2 * j + 1];
        best = std::min(best, SdSegment(x, y, xi, yi, xj, yj, 0));
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
    }
    return inside ? -best : best;
}

bool MapsToKey565(uint8_t r, uint8_t g, uint8_t b) {
    return (r >> 3) == (kKeyR >> 3) && (g >> 2) == (kKeyG >> 2) && (b >> 3) == (kKeyB >> 3);
}

namespace {

uint8_t Quantise(float v) {
    float s = std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f;
    return static_cast<uint8_t>(s);
}

void PutOpaque(std::vector<uint8_t>& out, const Color& c) {
    uint8_t r = Quantise(c.r), g = Quantise(c.g), b = Quantise(c.b);
    if (MapsToKey565(r, g, b)) g = 4; // the nearest green that leaves the 16-bit key
    out.push_back(r);
    out.push_back(g);
    out.push_back(b);
}

} // namespace

Pixels8 ToOpaqueRgb(const Canvas& c) {
    Pixels8 p{c.w, c.h, 3, {}};
    p.data.reserve(c.px.size() * 3);
    for (const Color& col : c.px)
        PutOpaque(p.data, col);
    return p;
}

Pixels8 ToKeyedRgb(const Canvas& c, const Color& matte) {
    Pixels8 p{c.w, c.h, 3, {}};
    p.data.reserve(c.px.size() * 3);
    for (const Color& col : c.px) {
        if (col.a < 0.5f) {
            p.data.push_back(kKeyR);
            p.data.push_back(kKeyG);
            p.data.push_back(kKeyB);
        } else {
            PutOpaque(p.data, Over(col, matte));
        }
    }
    return p;
}

Pixels8 ToRgba(const Canvas& c) {
    Pixels8 p{c.w, c.h, 4, {}};
    p.data.reserve(c.px.size() * 4);
    for (const Color& col : c.px) {
        p.data.push_back(Quantise(col.r));
        p.data.push_back(Quantise(col.g));
        p.data.push_back(Quantise(col.b));
        p.data.push_back(Quantise(col.a));
    }
    return p;
}

namespace {

struct File {
    FILE* f;
    explicit File(const std::string& path) : f(std::fopen(path.c_str(), "wb")) {}
    ~File() {
        if (f != nullptr) std::fclose(f);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    // Closes the file and reports whether every write reached it.
    bool Close() {
        bool ok = std::ferror(f) == 0;
        ok = std::fclose(f) == 0 && ok;
        f = nullptr;
        return ok;
    }
};

bool Fail(const std::string& path, const char* what) {
    std::fprintf(stderr, "assetgen: %s: %s\n", path.c_str(), what);
    return false;
}

void PutLe(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    File file(path);
    if (file.f == nullptr) return Fail(path, "cannot open for writing");
    std::fwrite(bytes.data(), 1, bytes.size(), file.f);
    if (!file.Close()) return Fail(path, "write failed");
    return true;
}

} // namespace

bool WritePng(const std::string& path, const Pixels8& img) {
    File file(path);
    if (file.f == nullptr) return Fail(path, "cannot open for writing");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return Fail(path, "libpng could not start");
    }
    std::vector<png_bytep> rows(static_cast<size_t>(img.h));
    for (int y = 0; y < img.h; ++y)
        rows[static_cast<size_t>(y)] =
            const_cast<png_bytep>(img.data.data() + static_cast<size_t>(y) * img.w * img.channels);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return Fail(path, "libpng failed");
    }
    png_init_io(png, file.f);
    // Fixed settings and no time or text chunks: the same pixels give the same bytes.
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, static_cast<png_uint_32>(img.w), static_cast<png_uint_32>(img.h), 8,
                 img.channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    if (!file.Close()) return Fail(path, "write failed");
    return true;
}

bool WriteBmp24(const std::string& path, const Pixels8& img) {
    // Bottom-up rows of BGR triples, each row padded to four bytes: the plain Windows 3 form.
    uint32_t rowBytes = (static_cast<uint32_t>(img.w) * 3 + 3) & ~3u;
    uint32_t dataBytes = rowBytes * static_cast<uint32_t>(img.h);
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    PutLe(out, 54 + dataBytes, 4);
    PutLe(out, 0, 4);
    PutLe(out, 54, 4);
    PutLe(out, 40, 4); // BITMAPINFOHEADER
    PutLe(out, static_cast<uint32_t>(img.w), 4);
    PutLe(out, static_cast<uint32_t>(img.h), 4);
    PutLe(out, 1, 2);
    PutLe(out, 24, 2);
    PutLe(out, 0, 4); // BI_RGB
    PutLe(out, dataBytes, 4);
    PutLe(out, 2835, 4); // 72 dpi
    PutLe(out, 2835, 4);
    PutLe(out, 0, 4);
    PutLe(out, 0, 4);
    for (int y = img.h - 1; y >= 0; --y) {
        const uint8_t* row = img.data.data() + static_cast<size_t>(y) * img.w * img.channels;
        for (int x = 0; x < img.w; ++x) {
            const uint8_t* p = row + static_cast<size_t>(x) * img.channels;
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
        }
        for (uint32_t pad = static_cast<uint32_t>(img.w) * 3; pad < rowBytes; ++pad)
            out.push_back(0);
    }
    return WriteBytes(path, out);
}

bool WriteWav16(const std::string& path, int rate, const std::vector<int16_t>& samples) {
    uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::vector<uint8_t> out{'R', 'I', 'F', 'F'};
    PutLe(out, 36 + dataBytes, 4);
    for (char c : std::string("WAVEfmt "))
        out.push_back(static_cast<uint8_t>(c));
    PutLe(out, 16, 4);
    PutLe(out, 1, 2); // PCM
    PutLe(out, 2, 2); // stereo
    PutLe(out, static_cast<uint32_t>(rate), 4);
    PutLe(out, static_cast<uint32_t>(rate) * 4, 4);
    PutLe(out, 4, 2);
    PutLe(out, 16, 2);
    for (char c : std::string("data"))
        out.push_back(static_cast<uint8_t>(c));
    PutLe(out, dataBytes, 4);
    for (int16_t s : samples)
        PutLe(out, static_cast<uint16_t>(s), 2);
    return WriteBytes(path, out);
}

} // namespace assetgen
