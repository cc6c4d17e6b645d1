// The sixteen tiles: each a bevelled square with its own colour and its own embossed symbol,
// so that the pictures read for players who tell colours apart poorly, and in greyscale.
#include "artwork.h"

#include <algorithm>
#include <cmath>

namespace assetgen {
namespace {

enum class Symbol {
    Disc,
    Square,
    Star,
    TriangleUp,
    Plus,
    Diamond,
    Ring,
    BarsAcross,
    Dots,
    Heart,
    BarsDown,
    Cross,
    Checker,
    DiagonalBars,
    TriangleDown,
    Crescent,
};

struct TileStyle {
    Color base;
    Symbol symbol;
    bool darkInk; // the symbol is a darker shade of the tile's colour, else a lighter one
};

// Symbols stand out from their faces by at least 3:1 in relative luminance, the ratio WCAG asks
// of graphics that must be seen; the margin covers the face's light and the 16-bit screen.
constexpr float kInkContrast = 4.0f;

// Cell value v is drawn with entry v - 1. Values 1..9 run round the colour wheel, which the
// levels that shade from one corner to another rely on.
const TileStyle kStyles[kTileCount] = {
    {Rgb(220, 50, 45), Symbol::Disc, true},          // 1 red
    {Rgb(248, 146, 36), Symbol::Square, true},       // 2 orange
    {Rgb(250, 220, 70), Symbol::Star, true},         // 3 yellow
    {Rgb(160, 215, 70), Symbol::TriangleUp, true},   // 4 lime
    {Rgb(40, 140, 60), Symbol::Plus, false},         // 5 green
    {Rgb(60, 190, 175), Symbol::DiagonalBars, true}, // 6 teal
    {Rgb(70, 155, 230), Symbol::Ring, true},         // 7 sky
    {Rgb(40, 70, 190), Symbol::BarsAcross, false},   // 8 blue
    {Rgb(95, 40, 165), Symbol::Dots, false},         // 9 purple
    {Rgb(250, 175, 210), Symbol::Heart, true},       // 10 pink
    {Rgb(165, 110, 60), Symbol::BarsDown, true},     // 11 brown
    {Rgb(245, 245, 248), Symbol::Cross, true},       // 12 white
    {Rgb(30, 32, 38), Symbol::Checker, false},       // 13 charcoal
    {Rgb(120, 120, 130), Symbol::Diamond, false},    // 14 grey
    {Rgb(100, 20, 40), Symbol::TriangleDown, false}, // 15 wine
    {Rgb(15, 75, 50), Symbol::Crescent, false},      // 16 forest
};

constexpr float kHalf = 16.0f; // design space is 32 x 32 with the centre at (16, 16)
constexpr float kBevel = 3.0f; // width of the raised rim
constexpr float kSqrt2 = 1.41421356f;

std::vector<float> StarPolygon(float outer, float inner) {
    std::vector<float> xy;
    for (int i = 0; i < 10; ++i) {
        float r = (i % 2 == 0) ? outer : inner;
        float a = static_cast<float>(i) * 3.14159265f / 5.0f;
        xy.push_back(r * std::sin(a));
        xy.push_back(-r * std::cos(a) + 1.0f);
    }
    return xy;
}

// Signed distance of the symbol, in design units, for a point relative to the tile centre.
float SymbolDistance(Symbol s, float x, float y) {
    static const std::vector<float> star = StarPolygon(10.5f, 4.4f);
    static const std::vector<float> up = {0, -10, 9.5f, 6.5f, -9.5f, 6.5f};
    static const std::vector<float> down = {0, 10, 9.5f, -6.5f, -9.5f, -6.5f};
    static const std::vector<float> heartTip = {-8.9f, -0.6f, 8.9f, -0.6f, 0, 9.8f};
    switch (s) {
    case Symbol::Disc:
        return SdDisc(x, y, 7.5f);
    case Symbol::Square:
        return SdBox(x, y, 6.8f, 6.8f, 1.0f);
    case Symbol::Star:
        return SdPolygon(x, y, star);
    case Symbol::TriangleUp:
        return SdPolygon(x, y, up);
    case Symbol::TriangleDown:
        return SdPolygon(x, y, down);
    case Symbol::Plus:
        return std::min(SdBox(x, y, 9.5f, 2.7f), SdBox(x, y, 2.7f, 9.5f));
    case Symbol::Cross:
        return std::min(SdSegment(x, y, -7, -7, 7, 7, 2.5f), SdSegment(x, y, -7, 7, 7, -7, 2.5f));
    case Symbol::Diamond:
        return (std::fabs(x) + std::fabs(y) - 10.0f) / kSqrt2;
    case Symbol::Ring:
        return std::fabs(SdDisc(x, y, 6.8f)) - 2.4f;
    case Symbol::BarsAcross: {
        float d = 1e9f;
        for (float k : {-7.0f, 0.0f, 7.0f})
            d = std::min(d, SdBox(x, y - k, 10.0f, 2.0f));
        return d;
    }
    case Symbol::BarsDown: {
        float d = 1e9f;
        for (float k : {-7.0f, 0.0f, 7.0f})
            d = std::min(d, SdBox(x - k, y, 2.0f, 10.0f));
        return d;
    }
    case Symbol::DiagonalBars: {
        float u = (x + y) / kSqrt2;
        float stripe = std::fabs(std::remainder(u, 6.0f)) - 1.5f;
        return std::max(stripe, SdBox(x, y, 10.0f, 10.0f));
    }
    case Symbol::Dots: {
        float d = 1e9f;
        for (float dx : {-5.2f, 5.2f})
            for (float dy : {-5.2f, 5.2f})
                d = std::min(d, SdDisc(x - dx, y - dy, 3.4f));
        return d;
    }
    case Symbol::Heart:
        return std::min({SdDisc(x + 4.4f, y + 3.6f, 4.9f), SdDisc(x - 4.4f, y + 3.6f, 4.9f),
                         SdPolygon(x, y, heartTip)});
    case Symbol::Checker: {
        if (SdBox(x, y, 10.0f, 10.0f) >= 0) return 1.0f;
        int cx = static_cast<int>(std::floor((x + 10.0f) / 5.0f));
        int cy = static_cast<int>(std::floor((y + 10.0f) / 5.0f));
        return ((cx + cy) % 2 == 0) ? -1.0f : 1.0f;
    }
    case Symbol::Crescent:
        return std::max(SdDisc(x + 1.5f, y, 8.5f), -SdDisc(x - 3.0f, y - 2.5f, 7.0f));
    }
    return 1.0f;
}

// The colour of one sample of a tile at design coordinates (u, v).
Color TileSample(const TileStyle& st, const Color& ink, float u, float v) {
    // Face: a soft light from the top left.
    float shade = 0.08f * ((kHalf - v) + 0.5f * (kHalf - u)) / kHalf;
    Color c = shade > 0 ? Lighten(st.base, shade) : Darken(st.base, -shade);

    // Symbol, pressed into the face: a dark lip on its upper left edge, light on the lower right.
    float x = u - kHalf, y = v - kHalf;
    if (SymbolDistance(st.symbol, x, y) < 0) {
        c = ink;
        if (SymbolDistance(st.symbol, x - 1.0f, y - 1.0f) >= 0)
            c = Darken(ink, 0.25f);
        else if (SymbolDistance(st.symbol, x + 0.8f, y + 0.8f) >= 0)
            c = Lighten(ink, 0.25f);
    }

    // Rim: lit on the top and left, in shadow on the bottom and right, so that equal
    // neighbours still read as separate tiles.
    float left = u, top = v, right = 2 * kHalf - u, bottom = 2 * kHalf - v;
    float edge = std::min({left, top, right, bottom});
    if (edge < kBevel) {
        float t = 1.0f - edge / kBevel;
        bool lit = std::min(left, top) <= std::min(right, bottom);
        c = lit ? Lighten(c, 0.22f + 0.30f * t) : Darken(c, 0.22f + 0.33f * t);
        if (!lit && edge < 1.0f) c = Darken(c, 0.25f);
    }
    return c;
}

// WCAG 2 relative luminance of an sRGB colour, and the contrast ratio of two colours.
float RelativeLuminance(const Color& c) {
    auto linear = [](float v) {
        return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
    };
    return 0.2126f * linear(c.r) + 0.7152f * linear(c.g) + 0.0722f * linear(c.b);
}

float Contrast(const Color& a, const Color& b) {
    float la = RelativeLuminance(a), lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05f) / (std::min(la, lb) + 0.05f);
}

// The symbol's colour: a shade of the tile's own, taken from the usual depth on until it stands
// out enough. Black or white would stand out by at least 4.58:1 from any face.
Color Ink(const TileStyle& st) {
    auto shade = [&](float t) { return st.darkInk ? Darken(st.base, t) : Lighten(st.base, t); };
    float t = st.darkInk ? 0.48f : 0.58f;
    while (t < 1.0f && Contrast(shade(t), st.base) < kInkContrast)
        t += 0.01f;
    return shade(std::min(t, 1.0f));
}

} // namespace

Canvas DrawTile(int index, int size) {
    const TileStyle& st = kStyles[std::clamp(index, 0, kTileCount - 1)];
    const Color ink = Ink(st);
    const float scale = 2 * kHalf / static_cast<float>(size);
    return Render(size, size,
                  [&](float x, float y) { return TileSample(st, ink, x * scale, y * scale); });
}

} // namespace assetgen
