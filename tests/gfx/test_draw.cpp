// Drawing primitives: centring, outlines, clipped updates, background tiling, whole-screen copies.
#include "draw.h"
#include "gfx_fixture.h"

#include <string>

using namespace gfxtest;

namespace {

// A text whose rendered width in font has the wanted parity.
std::string TextOfParity(TTF_Font* font, int parity) {
    for (std::string text = "M"; text.size() < 20; text += "il") {
        for (const std::string& candidate : {text, text + "e", text + "W"}) {
            int w = 0, h = 0;
            if (TTF_SizeText(font, candidate.c_str(), &w, &h) == 0 && w % 2 == parity)
                return candidate;
        }
    }
    return "";
}

int TextWidth(TTF_Font* font, const std::string& text) {
    int w = 0, h = 0;
    TTF_SizeText(font, text.c_str(), &w, &h);
    return w;
}

using DrawTest = FontTest;

TEST_F(DrawTest, TextIsCentredAgainst640WithItsOffsetAndUpdatedTwoPixelsWider) {
    const SDL_Color blue = colorBlue;
    for (int parity : {0, 1}) {
        const std::string text = TextOfParity(fontMedium, parity);
        ASSERT_FALSE(text.empty());
        const int w = TextWidth(fontMedium, text);
        const int h = TTF_FontHeight(fontMedium);
        for (int offset : {0, 200, -37}) {
            sdlspy::Reset();
            klmr_DrawText(screen, text.c_str(), fontMedium, &blue, offset, 50, true);
            const int x = (640 - w) / 2 + offset;
            ASSERT_EQ(sdlspy::Updates().size(), 1u);
            EXPECT_EQ(sdlspy::Updates()[0],
                      (sdlspy::Update{screen, x - 2, 48, Uint32(w + 4), Uint32(h + 4)}))
                << "width " << w << ", offset " << offset;
        }
    }

    // Centring ignores the width of the surface drawn on.
    SDL_Surface* wide = MakeSurface(800, 100, 0);
    const std::string text = TextOfParity(fontMedium, 1);
    const int w = TextWidth(fontMedium, text);
    sdlspy::Reset();
    klmr_DrawTextCentered(wide, text.c_str(), fontMedium, &blue, 10, true);
    ASSERT_EQ(sdlspy::Updates().size(), 1u);
    EXPECT_EQ(sdlspy::Updates()[0].surface, wide);
    EXPECT_EQ(sdlspy::Updates()[0].x, (640 - w) / 2 - 2);
    SDL_FreeSurface(wide);
}

TEST_F(DrawTest, TextWithoutUpdateOrWithoutPixelsUpdatesNothing) {
    klmr_DrawText(screen, "Start", fontLarge, &colorRed, 0, 50, false);
    klmr_DrawText(screen, "", fontLarge, &colorRed, 0, 50, true);
    EXPECT_TRUE(sdlspy::Updates().empty());
}

TEST_F(DrawTest, OutlinedTextIsFourShiftedCopiesUnderTheTextWithOneUpdate) {
    const char* text = "HiScores . . . 42";
    klmr_DrawTextOutlined(screen, text, fontMedium, &colorBlue, &colorPale, 100, true);
    const Pixels outlined = Snapshot(screen);
    ASSERT_EQ(sdlspy::Updates().size(), 1u);
    const sdlspy::Update once = sdlspy::Updates()[0];

    ResetScreens();
    sdlspy::Reset();
    klmr_DrawText(screen, text, fontMedium, &colorPale, 2, 102, false);
    klmr_DrawText(screen, text, fontMedium, &colorPale, -2, 98, false);
    klmr_DrawText(screen, text, fontMedium, &colorPale, -2, 102, false);
    klmr_DrawText(screen, text, fontMedium, &colorPale, 2, 98, false);
    klmr_DrawText(screen, text, fontMedium, &colorBlue, 0, 100, true);
    EXPECT_EQ(outlined, Snapshot(screen)) << FirstDifference(outlined, Snapshot(screen));
    ASSERT_EQ(sdlspy::Updates().size(), 1u);
    EXPECT_EQ(sdlspy::Updates()[0], once);
}

TEST_F(GfxTest, CentredBlitAndRestoreUseTheSameTruncatedX) {
    SDL_Surface* image = MakeSurface(101, 10, 0x7777);
    klmr_BlitCentered(screen, image, 30);
    Pixels expected = Snapshot(backBuffer);
    Paint(expected, 640, 480, 269, 30, 101, 10, 0x7777);
    EXPECT_EQ(Snapshot(screen), expected) << FirstDifference(Snapshot(screen), expected);

    klmr_RestoreCentered(screen, backBuffer, image, 30);
    EXPECT_EQ(Snapshot(screen), Snapshot(backBuffer));
    EXPECT_TRUE(sdlspy::Updates().empty());
    SDL_FreeSurface(image);
}

TEST_F(GfxTest, UpdateClippedCutsAtTheEdges) {
    SDL_Surface* image = MakeSurface(200, 100, 0);
    struct Case {
        int xOffset, y;
        std::vector<sdlspy::Update> updates;
    };
    const Case cases[] = {
        {0, -139, {}},
        {0, -100, {}},
        {0, -50, {{screen, 220, 0, 200, 50}}},
        {0, 21, {{screen, 220, 21, 200, 100}}},
        {-300, 21, {{screen, 0, 21, 120, 100}}},
        {-420, 21, {}},
        // Guards beyond the top and left edges: cut rather than let the library drop them.
        {400, 21, {{screen, 620, 21, 20, 100}}},
        {0, 430, {{screen, 220, 430, 200, 50}}},
        {420, 21, {}},
        {0, 480, {}},
    };
    for (const Case& c : cases) {
        sdlspy::Reset();
        klmr_UpdateClipped(screen, image, c.xOffset, c.y);
        EXPECT_EQ(sdlspy::Updates(), c.updates) << "offset " << c.xOffset << ", y " << c.y;
    }
    SDL_FreeSurface(image);
}

TEST_F(GfxTest, FillBackgroundCoversSurfacesThatAreNoMultipleOfTheImage) {
    SDL_Surface* image = MakeSurface(48, 36, 0);
    for (int y = 0; y < 36; ++y)
        for (int x = 0; x < 48; ++x) {
            SDL_Rect px = {static_cast<Sint16>(x), static_cast<Sint16>(y), 1, 1};
            SDL_FillRect(image, &px, static_cast<Uint32>(1 + x + 48 * y));
        }
    SDL_Surface* small = MakeSurface(100, 70, 0xffff);
    for (SDL_Surface* dst : {screen, small}) {
        klmr_FillBackground(dst, image);
        int wrong = 0;
        for (int y = 0; y < dst->h; ++y)
            for (int x = 0; x < dst->w; ++x)
                wrong += PixelAt(dst, x, y) != 1 + (x % 48) + 48 * (y % 36);
        EXPECT_EQ(wrong, 0) << dst->w << "x" << dst->h;
    }
    EXPECT_TRUE(sdlspy::Updates().empty());

    testing::internal::CaptureStderr();
    klmr_FillBackground(nullptr, image);
    klmr_FillBackground(small, nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "klmr_FillBackground error!!\nklmr_FillBackground error!!\n");
    SDL_FreeSurface(image);
    SDL_FreeSurface(small);
}

TEST_F(GfxTest, LogoSitsTwentyOnePixelsBelowY) {
    imgLogo = MakeSurface(201, 50, 0x1234);
    klmr_DrawLogo(10, 5);
    Pixels expected = Snapshot(backBuffer);
    Paint(expected, 640, 480, 219 + 10, 26, 201, 50, 0x1234);
    EXPECT_EQ(Snapshot(screen), expected) << FirstDifference(Snapshot(screen), expected);
}

TEST_F(GfxTest, SaveRestoreAndFlipMoveWholeScreens) {
    SDL_FillRect(screen, nullptr, 0x4321);
    klmr_SaveScreen();
    EXPECT_EQ(Snapshot(backBuffer), Pixels(640 * 480, 0x4321));
    EXPECT_EQ(backRect.w, 640);
    EXPECT_EQ(backRect.h, 480);
    SDL_FillRect(screen, nullptr, 0);
    klmr_RestoreScreen();
    EXPECT_EQ(Snapshot(screen), Pixels(640 * 480, 0x4321));
    EXPECT_TRUE(sdlspy::Updates().empty());
    klmr_Flip();
    EXPECT_EQ(sdlspy::Updates(), (std::vector<sdlspy::Update>{{screen, 0, 0, 0, 0}}));
}

} // namespace
