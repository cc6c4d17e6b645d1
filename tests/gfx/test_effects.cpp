// Menu effects: menu items, selection bar, bouncing tiles, curtain and logo drop.
#include "draw.h"
#include "effects.h"
#include "gfx_fixture.h"

using namespace gfxtest;

namespace {

void SetBounce(int i, int angle, int x, int speed) {
    tileAngle[i].store(angle);
    tileX[i].store(x);
    tileSpeed[i].store(speed);
}

class BounceTest : public GfxTest {
  protected:
    void SetUp() override {
        GfxTest::SetUp();
        UseSyntheticTiles(30, 30);
        for (int i = 0; i < kBounceCount; ++i)
            SetBounce(i, 15 * i, 10 + 30 * i, 1);
    }
};

TEST_F(BounceTest, OneTickFromTheStartMovesEveryTile) {
    EXPECT_EQ(klmr_BounceTick(10), 10u);
    for (int i = 0; i < kBounceCount; ++i) {
        EXPECT_EQ(tileAngle[i].load(), 15 * i + 2);
        EXPECT_EQ(tileX[i].load(), 11 + 30 * i);
        EXPECT_EQ(tileSpeed[i].load(), 1);
    }
}

TEST_F(BounceTest, AnglesWrapAt180AndTilesTurnAtBothEdges) {
    SetBounce(0, 178, 609, 1);
    SetBounce(1, 179, 1, -1);
    SetBounce(2, 177, 300, -1);
    klmr_BounceTick(1);
    EXPECT_EQ(tileAngle[0].load(), 0);
    EXPECT_EQ(tileAngle[1].load(), 0) << "181 wraps too";
    EXPECT_EQ(tileAngle[2].load(), 179);
    EXPECT_EQ(tileX[0].load(), 610);
    EXPECT_EQ(tileSpeed[0].load(), -1);
    EXPECT_EQ(tileX[1].load(), 0);
    EXPECT_EQ(tileSpeed[1].load(), 1);
    klmr_BounceTick(1);
    EXPECT_EQ(tileX[0].load(), 609);
    EXPECT_EQ(tileX[1].load(), 1);
    EXPECT_EQ(tileX[2].load(), 298);
}

TEST_F(BounceTest, InvariantsHoldOverManyTicks) {
    for (int tick = 1; tick <= 20000; ++tick) {
        klmr_BounceTick(1);
        for (int i = 0; i < kBounceCount; ++i) {
            const int a = tileAngle[i].load(), x = tileX[i].load(), s = tileSpeed[i].load();
            ASSERT_TRUE(a >= 0 && a <= 179) << a;
            // Odd-started tiles stay odd until their first wrap, after 83 - 7i ticks or so.
            const bool wrapped = 15 * i + 2 * tick >= 180;
            ASSERT_EQ(a % 2, wrapped ? 0 : (15 * i) % 2) << "tile " << i << " tick " << tick;
            ASSERT_TRUE(x >= 0 && x <= 610) << x;
            ASSERT_TRUE(s == 1 || s == -1);
        }
    }
}

TEST_F(BounceTest, TheLastOfTenWideTilesTrembles) {
    UseSyntheticTiles(63, 30);
    for (int i = 0; i < kBounceCount; ++i)
        SetBounce(i, 0, 10 + 63 * i, 1);
    for (int tick = 0; tick < 6; ++tick) {
        klmr_BounceTick(1);
        EXPECT_EQ(tileX[9].load(), tick % 2 == 0 ? 578 : 577);
    }
    UseSyntheticTiles(62, 30);
    for (int i = 0; i < kBounceCount; ++i)
        SetBounce(i, 0, 10 + 62 * i, 1);
    for (int tick = 0; tick < 6; ++tick)
        klmr_BounceTick(1);
    EXPECT_EQ(tileX[9].load(), 568 + 6) << "62 pixels leave room to travel";
}

TEST_F(BounceTest, TilesHopOnTheSineAndEraseTheirLastPlace) {
    const int angles[kBounceCount] = {30, 90, 0, 179, 45, 60, 120, 150, 2, 88};
    for (int i = 0; i < kBounceCount; ++i) {
        SetBounce(i, angles[i], 10 + 60 * i, 1);
        tileRects[i] = {static_cast<Sint16>(10 + 60 * i), 20, 30, 30};
    }
    bounceTile = 6;
    SDL_FillRect(screen, nullptr, 0x5555); // stands for the tiles drawn last at y 20
    SDL_Rect rest = {0, 60, 640, 420};
    SDL_BlitSurface(backBuffer, &rest, screen, &rest);
    klmr_DrawBouncingTiles();

    EXPECT_EQ(tileRects[0].y, 411) << "sin(30 degrees) is a hair below 0.5";
    EXPECT_EQ(tileRects[1].y, 370);
    EXPECT_EQ(tileRects[2].y, 450);
    EXPECT_EQ(tileRects[3].y, 449);
    Pixels expected = Snapshot(backBuffer);
    Paint(expected, 640, 480, 0, 0, 640, 60, 0x5555);
    for (int i = 0; i < kBounceCount; ++i) // every last place erased
        Paint(expected, 640, 480, 10 + 60 * i, 20, 30, 30, kBackColour);
    for (int i = 0; i < kBounceCount; ++i)
        Paint(expected, 640, 480, 10 + 60 * i, tileRects[i].y, 30, 30, TileColour(7));
    EXPECT_EQ(Snapshot(screen), expected) << FirstDifference(Snapshot(screen), expected);
    EXPECT_TRUE(sdlspy::Updates().empty());

    klmr_UpdateBottomStrip();
    EXPECT_EQ(sdlspy::Updates(), (std::vector<sdlspy::Update>{{screen, 0, 370, 640, 110}}));
}

TEST_F(GfxTest, SelectBarUpdatesTheMenuColumn) {
    selectRect = {170, 145, 300, 160};
    klmr_UpdateSelectBar(0, 0);
    klmr_UpdateSelectBar(0, 25);
    klmr_UpdateSelectBar(1, 25);
    EXPECT_EQ(sdlspy::Updates(), (std::vector<sdlspy::Update>{{screen, 170, 145, 300, 160},
                                                              {screen, 170, 145, 300, 160},
                                                              {screen, 195, 145, 300, 160}}));
}

TEST_F(FontTest, MenuItemsIgnoreTheOffsetWhenOutlined) {
    klmr_DrawMenuItems(0, 37);
    const Pixels shifted = Snapshot(screen);
    ResetScreens();
    klmr_DrawMenuItems(0, 0);
    EXPECT_EQ(Snapshot(screen), shifted);
    const char* items[] = {"Start", "HiScores", "About", "Exit"};
    ResetScreens();
    for (int i = 0; i < 4; ++i)
        klmr_DrawTextOutlined(screen, items[i], fontLarge, &colorMenu, &colorPale, menuTextY[i],
                              false);
    EXPECT_EQ(Snapshot(screen), shifted);

    ResetScreens();
    klmr_DrawMenuItems(1, 37);
    const Pixels plain = Snapshot(screen);
    ResetScreens();
    for (int i = 0; i < 4; ++i)
        klmr_DrawText(screen, items[i], fontLarge, &colorMenu, 37, menuTextY[i], false);
    EXPECT_EQ(Snapshot(screen), plain);
    EXPECT_NE(plain, shifted);
    EXPECT_TRUE(sdlspy::Updates().empty());
}

TEST_F(GfxTest, CurtainRevealsTheBackBufferInInterlacedStrips) {
    for (int y = 0; y < 480; ++y) {
        SDL_Rect row = {0, static_cast<Sint16>(y), 640, 1};
        SDL_FillRect(backBuffer, &row, static_cast<Uint32>(y + 1));
    }
    SDL_FillRect(screen, nullptr, 0);
    klmr_CurtainEffect(1);
    EXPECT_TRUE(sdlspy::Updates().empty());
    EXPECT_TRUE(fakeclock::Delays().empty());
    EXPECT_EQ(Snapshot(screen), Pixels(640 * 480, 0));

    klmr_CurtainEffect(0);
    std::vector<sdlspy::Update> expected;
    for (int y = 0; y <= 472; y += 8)
        expected.push_back({screen, 0, y, 640, 4});
    for (int y = 476; y >= 4; y -= 8)
        expected.push_back({screen, 0, y, 640, 4});
    EXPECT_EQ(sdlspy::Updates(), expected);
    EXPECT_EQ(fakeclock::Delays(), std::vector<uint32_t>(120, 3));
    EXPECT_EQ(Snapshot(screen), Snapshot(backBuffer));
}

TEST_F(GfxTest, LogoDropsFromAboveTheScreenToY21) {
    // 300 pixels high: visible on every frame, so each frame leaves two updates.
    imgLogo = MakeSurface(200, 300, 0x7e0);
    klmr_LogoDrop();
    EXPECT_EQ(fakeclock::Delays(), std::vector<uint32_t>(91, 5));
    const auto& u = sdlspy::Updates();
    ASSERT_EQ(u.size(), 182u);
    std::vector<int> newY;
    for (size_t k = 1; k < u.size(); k += 2) {
        EXPECT_EQ(u[k].x, 220);
        EXPECT_EQ(u[k].w, 200u);
        newY.push_back(u[k].y > 0 ? u[k].y : static_cast<int>(u[k].h) - 300);
        if (k >= 3) {
            EXPECT_EQ(u[k - 1], u[k - 2]) << "frame " << k / 2 << " refreshes the last place";
        }
    }
    EXPECT_EQ(newY[0], -139);
    EXPECT_EQ(newY[60], -1);
    EXPECT_EQ(newY[61], 0);
    EXPECT_EQ(newY[83], 19);
    for (int i = 84; i <= 89; ++i)
        EXPECT_EQ(newY[i], 20) << i;
    EXPECT_EQ(newY[90], 21);
    for (size_t i = 1; i < newY.size(); ++i)
        EXPECT_LE(newY[i - 1], newY[i]);
    // The last place is erased again, without an update, for the caller to draw the logo.
    EXPECT_EQ(Snapshot(screen), Snapshot(backBuffer));
}

TEST_F(GfxTest, ShortLogoIsNotUpdatedWhileWhollyAboveTheScreen) {
    imgLogo = MakeSurface(200, 100, 0x7e0);
    klmr_LogoDrop();
    for (const sdlspy::Update& u : sdlspy::Updates()) {
        EXPECT_GE(u.y, 0);
        EXPECT_GT(u.h, 0u);
        EXPECT_LE(u.y + static_cast<int>(u.h), 480);
    }
    EXPECT_EQ(sdlspy::Updates().back(), (sdlspy::Update{screen, 220, 21, 200, 100}));
}

} // namespace
