// Screen and assets: the window and back buffer, fonts, image loading, conversion and placement.
#include "gfx_fixture.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <string>

using namespace gfxtest;

namespace {
std::vector<SDL_Surface*>* freedSurfaces = nullptr; // recording while not null
} // namespace

// Records the surfaces freed while a test watches, then frees them as usual.
extern "C" void SDL_FreeSurface(SDL_Surface* surface) {
    static auto real =
        reinterpret_cast<void (*)(SDL_Surface*)>(dlsym(RTLD_NEXT, "SDL_FreeSurface"));
    if (freedSurfaces != nullptr && surface != nullptr) freedSurfaces->push_back(surface);
    real(surface);
}

namespace {

// A 24-bit BMP of one colour; IMG_Load recognises it by content whatever the file is called.
void WriteImage(const std::string& path, int w, int h, Uint8 r, Uint8 g, Uint8 b) {
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xff0000, 0x00ff00, 0x0000ff, 0);
    ASSERT_NE(s, nullptr);
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, r, g, b));
    if (path.find("background") != std::string::npos) {
        // Magenta, and a colour that becomes the same 16-bit value, at (3, 3) and (4, 3).
        SDL_Rect magenta = {3, 3, 1, 1}, nearly = {4, 3, 1, 1};
        SDL_FillRect(s, &magenta, SDL_MapRGB(s->format, 255, 0, 255));
        SDL_FillRect(s, &nearly, SDL_MapRGB(s->format, 250, 2, 250));
    }
    ASSERT_EQ(SDL_SaveBMP(s, path.c_str()), 0);
    SDL_FreeSurface(s);
}

class LoadImagesTest : public GfxTest {
  protected:
    // A complete synthetic data/gfx: 30 x 30 tiles and a select bar selectWidth wide.
    void WriteAll(int selectWidth) {
        WriteImage(dir.Path("data/gfx/background.png"), 64, 64, 90, 120, 30);
        WriteImage(dir.Path("data/gfx/klmr_logo_cpr.png"), 200, 100, 200, 40, 40);
        WriteImage(dir.Path("data/gfx/select.png"), selectWidth, 36, 40, 200, 40);
        WriteImage(dir.Path("data/gfx/rotate.png"), 384, 64, 40, 40, 200);
        for (int n = 1; n <= 16; ++n)
            WriteImage(dir.Path("data/gfx/pic" + std::to_string(n) + ".bmp"), 30, 30,
                       static_cast<Uint8>(n * 15), 60, 90);
    }
    static bool Converted(const SDL_Surface* s) {
        const SDL_PixelFormat* f = s->format;
        const SDL_PixelFormat* sf = screen->format;
        return f->BitsPerPixel == 16 && f->Rmask == sf->Rmask && f->Gmask == sf->Gmask &&
               f->Bmask == sf->Bmask && (s->flags & SDL_SRCCOLORKEY) != 0 &&
               f->colorkey == SDL_MapRGB(sf, 255, 0, 255);
    }
    std::string Failure() {
        return std::string("klmr_LoadAndConvertImages: I can't create bmp: ") + SDL_GetError() +
               "\n";
    }
    TempDataDir dir;
};

TEST_F(LoadImagesTest, ConvertsKeysAndPlacesEverything) {
    WriteAll(300);
    fakeclock::Reset(123456);
    srand(123456);
    const int first = rand(), second = rand();

    ASSERT_EQ(klmr_LoadAndConvertImages(screen), 1);
    EXPECT_EQ(bounceTile, first % 16) << "seeded from the clock";
    EXPECT_EQ(rand(), second) << "one draw, from the one seeding";

    for (SDL_Surface* image : {imgBackground, imgLogo, imgSelect, imgRotate})
        EXPECT_TRUE(Converted(image));
    for (SDL_Surface* tile : tiles)
        EXPECT_TRUE(Converted(tile));
    const Uint16 key = 0xf81f;
    EXPECT_EQ(PixelAt(imgBackground, 3, 3), key);
    EXPECT_EQ(PixelAt(imgBackground, 4, 3), key) << "keyed after the conversion";
    SDL_FillRect(screen, nullptr, 0x1111);
    SDL_BlitSurface(imgBackground, nullptr, screen, nullptr);
    EXPECT_EQ(PixelAt(screen, 3, 3), 0x1111);
    EXPECT_EQ(PixelAt(screen, 4, 3), 0x1111);
    EXPECT_NE(PixelAt(screen, 5, 3), 0x1111);

    for (int i = 0; i < kBounceCount; ++i) {
        EXPECT_EQ(tileX[i].load(), 10 + 30 * i);
        EXPECT_EQ(tileRects[i].x, 10 + 30 * i);
        EXPECT_EQ(tileRects[i].y, 20);
        EXPECT_EQ(tileRects[i].w, 30);
        EXPECT_EQ(tileRects[i].h, 30);
    }
    EXPECT_EQ(selectRect.x, 170);
    EXPECT_EQ(selectRect.y, 145);
    EXPECT_EQ(selectRect.w, 300);
    EXPECT_EQ(selectRect.h, 160);
}

TEST_F(LoadImagesTest, EveryUnconvertedOriginalIsFreed) {
    WriteAll(300);
    std::vector<SDL_Surface*> freed;
    freedSurfaces = &freed;
    const int result = klmr_LoadAndConvertImages(screen);
    freedSurfaces = nullptr;
    ASSERT_EQ(result, 1);
    EXPECT_EQ(freed.size(), 20u) << "four images and sixteen tiles";

    // A second load first frees all twenty of the first, then the twenty new originals.
    freed.clear();
    freedSurfaces = &freed;
    ASSERT_EQ(klmr_LoadAndConvertImages(screen), 1);
    freedSurfaces = nullptr;
    EXPECT_EQ(freed.size(), 40u);
}

TEST_F(LoadImagesTest, OddSelectWidthTruncatesTheCentring) {
    WriteAll(301);
    ASSERT_EQ(klmr_LoadAndConvertImages(screen), 1);
    EXPECT_EQ(selectRect.x, 169);
    EXPECT_EQ(selectRect.w, 301);
}

TEST_F(LoadImagesTest, MissingTileStopsAtItAndConvertsNothing) {
    WriteAll(300);
    std::filesystem::remove(dir.Path("data/gfx/pic9.bmp"));
    testing::internal::CaptureStderr();
    EXPECT_EQ(klmr_LoadAndConvertImages(screen), 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, Failure());
    EXPECT_NE(err.find("pic9.bmp"), std::string::npos) << err;
    for (int i = 0; i < 8; ++i) {
        ASSERT_NE(tiles[i], nullptr) << i;
        EXPECT_FALSE(Converted(tiles[i]));
    }
    for (int i = 8; i < 16; ++i)
        EXPECT_EQ(tiles[i], nullptr) << "pic" << i + 1 << ".bmp is not tried";
    EXPECT_FALSE(Converted(imgBackground));
}

TEST_F(LoadImagesTest, MissingPngReadsNoTile) {
    WriteAll(300);
    std::filesystem::remove(dir.Path("data/gfx/klmr_logo_cpr.png"));
    testing::internal::CaptureStderr();
    EXPECT_EQ(klmr_LoadAndConvertImages(screen), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), Failure());
    EXPECT_EQ(imgLogo, nullptr);
    ASSERT_NE(imgRotate, nullptr) << "all four loads are attempted";
    EXPECT_FALSE(Converted(imgRotate));
    for (SDL_Surface* tile : tiles)
        EXPECT_EQ(tile, nullptr);
}

TEST_F(GfxTest, RealImagesLoadAndShareTheScreenFormat) {
    ASSERT_EQ(klmr_LoadAndConvertImages(screen), 1) << "data/ is generated by kelmora_data";
    const int w = tiles[0]->w, h = tiles[0]->h;
    for (SDL_Surface* tile : tiles) {
        EXPECT_EQ(tile->w, w);
        EXPECT_EQ(tile->h, h);
        EXPECT_EQ(tile->format->BitsPerPixel, 16);
        EXPECT_NE(tile->flags & SDL_SRCCOLORKEY, 0u);
    }
    EXPECT_GE(imgRotate->w, 6 * 64);
    EXPECT_GE(imgRotate->h, 64);
    EXPECT_EQ(selectRect.x, (640 - imgSelect->w) / 2);
    EXPECT_EQ(tileRects[9].x, 10 + 9 * w);
    EXPECT_GE(bounceTile, 0);
    EXPECT_LT(bounceTile, 16);
}

TEST_F(GfxTest, ScreenAndBackBufferShareOneFormat) {
    const SDL_PixelFormat *f = screen->format, *b = backBuffer->format;
    EXPECT_EQ(std::vector<int>({screen->w, screen->h, f->BitsPerPixel, backRect.w, backRect.h}),
              std::vector<int>({640, 480, 16, 640, 480}));
    EXPECT_TRUE(b->BitsPerPixel == 16 && b->Rmask == f->Rmask && b->Gmask == f->Gmask &&
                b->Bmask == f->Bmask);
    klmr_FreeBackBuffer();
    EXPECT_EQ(backBuffer, nullptr);
}

TEST(OpenScreen, RefusedVideoModeReportsTheLibraryError) {
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(klmr_OpenScreen(0), 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, std::string("klmr_OpenScreen: Couldn't initialize video mode: ") +
                       SDL_GetError() + "\n");
    EXPECT_EQ(screen, nullptr);
    SDL_Quit();
    sdlspy::UseDummyDrivers();
}

TEST(OpenFonts, OpensAllThreeOrReportsTheFailure) {
    ASSERT_EQ(TTF_Init(), 0);
    EXPECT_EQ(klmr_OpenFonts(), 1) << "data/fonts/impact.ttf is generated by kelmora_data";
    EXPECT_GT(TTF_FontHeight(fontLarge), TTF_FontHeight(fontMedium));
    EXPECT_GT(TTF_FontHeight(fontMedium), TTF_FontHeight(fontSmall));
    klmr_CloseFonts();
    {
        TempDataDir empty;
        testing::internal::CaptureStderr();
        EXPECT_EQ(klmr_OpenFonts(), 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  std::string("klmr_OpenFonts: I can't create bmp: ") + SDL_GetError() + "\n");
        EXPECT_EQ(fontLarge, nullptr);
        EXPECT_EQ(fontMedium, nullptr);
        EXPECT_EQ(fontSmall, nullptr);
    }
    TTF_Quit();
}

} // namespace
