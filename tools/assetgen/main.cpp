// kelmora_assetgen: writes every run-time file of the game into a data directory, and the
// desktop icons into an icon directory. The output depends on nothing but the inputs named on
// the command line, so two runs give the same bytes.
#include "artwork.h"
#include "canvas.h"
#include "sound.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

namespace fs = std::filesystem;
using namespace assetgen;

namespace {

struct Options {
    std::string font;    // the TrueType font shipped as data/fonts/impact.ttf
    std::string licence; // the licence text of that font
    std::string data;    // the data directory to fill
    std::string icons;   // the icon directory to fill
};

constexpr int kWindowIconSize = 64;

const char kFontNotice[] =
    "The font data/fonts/impact.ttf is Roboto Condensed Bold, from the Roboto family.\n"
    "Copyright 2015 Google Inc.\n"
    "Licensed under the Apache License, Version 2.0, whose full text follows.\n"
    "\n";

bool ReadFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "assetgen: %s: cannot open for reading\n", path.c_str());
        return false;
    }
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        std::fprintf(stderr, "assetgen: %s: read failed\n", path.c_str());
        return false;
    }
    return true;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "assetgen: %s: write failed\n", path.c_str());
        return false;
    }
    return true;
}

bool MakeDir(const fs::path& dir) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "assetgen: %s: %s\n", dir.c_str(), ec.message().c_str());
        return false;
    }
    return true;
}

bool WriteFont(const Options& o) {
    std::string font, licence;
    if (!ReadFile(o.font, font) || !ReadFile(o.licence, licence)) return false;
    fs::path dir = fs::path(o.data) / "fonts";
    return MakeDir(dir) && WriteFile(dir / "impact.ttf", font) &&
           WriteFile(dir / "LICENSE-RobotoCondensed.txt", kFontNotice + licence);
}

bool WriteImages(const Options& o) {
    fs::path gfx = fs::path(o.data) / "gfx";
    if (!MakeDir(gfx)) return false;
    const Color matte = BackgroundMatte();
    bool ok = WritePng(gfx / "background.png", ToOpaqueRgb(DrawBackground()));
    Canvas logo = DrawLogo(o.font);
    if (logo.w == 0) {
        std::fprintf(stderr, "assetgen: the wordmark could not be drawn\n");
        return false;
    }
    ok = WritePng(gfx / "klmr_logo_cpr.png", ToKeyedRgb(logo, matte)) && ok;
    ok = WritePng(gfx / "select.png", ToKeyedRgb(DrawSelectBar(), matte)) && ok;
    // The cursor sits on tiles of every colour: its edge is hard, with no matte to blend into.
    ok = WritePng(gfx / "rotate.png", ToKeyedRgb(DrawCursorStrip(), Rgb(0, 0, 0))) && ok;
    // The window icon: the desktop icon's artwork, whose soft edge SDL reduces to a mask.
    ok = WritePng(gfx / "icon.png", ToKeyedRgb(DrawIcon(kWindowIconSize), matte)) && ok;
    for (int i = 0; i < kTileCount; ++i) {
        std::string name = "pic" + std::to_string(i + 1) + ".bmp";
        ok = WriteBmp24(gfx / name, ToOpaqueRgb(DrawTile(i))) && ok;
    }
    return ok;
}

bool WriteSounds(const Options& o) {
    fs::path sfx = fs::path(o.data) / "sfx";
    return MakeDir(sfx) && WriteWav16(sfx / "swap.wav", kSampleRate, SynthSwap()) &&
           WriteWav16(sfx / "click.wav", kSampleRate, SynthClick());
}

bool WriteIcons(const Options& o) {
    if (!MakeDir(o.icons)) return false;
    bool ok = true;
    for (int size : {64, 128, 256}) {
        std::string name = "kelmora-" + std::to_string(size) + ".png";
        ok = WritePng(fs::path(o.icons) / name, ToRgba(DrawIcon(size))) && ok;
    }
    return ok;
}

int Usage() {
    std::fprintf(stderr, "usage: kelmora_assetgen --font FILE.ttf --licence FILE --data DIR "
                         "--icons DIR\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string* slot = nullptr;
        if (std::strcmp(argv[i], "--font") == 0)
            slot = &o.font;
        else if (std::strcmp(argv[i], "--licence") == 0)
            slot = &o.licence;
        else if (std::strcmp(argv[i], "--data") == 0)
            slot = &o.data;
        else if (std::strcmp(argv[i], "--icons") == 0)
            slot = &o.icons;
        if (slot == nullptr || i + 1 >= argc) return Usage();
        *slot = argv[++i];
    }
    if (o.font.empty() || o.licence.empty() || o.data.empty() || o.icons.empty()) return Usage();
    bool ok = WriteFont(o);
    ok = WriteImages(o) && ok;
    ok = WriteSounds(o) && ok;
    ok = WriteIcons(o) && ok;
    return ok ? 0 : 1;
}
