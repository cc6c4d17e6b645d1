// Presentation tests: headless SDL, pixels read back from the 16-bit screen and back buffer.
#include "boardview.h"
#include "display.h"
#include "displays.h"
#include "draw.h"
#include "effects.h"
#include "fake_clock.h"
#include "puzzle.h"
#include "screen.h"
#include "sdl_spy.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>

static int freed = 0; // counts the surfaces freed, which are then freed as usual

extern "C" void SDL_FreeSurface(SDL_Surface* s) {
    static auto real = reinterpret_cast<void (*)(SDL_Surface*)>(dlsym(RTLD_NEXT, __func__));
    freed += s != nullptr;
    real(s);
}

namespace {

using Pixels = std::vector<Uint16>;
using Updates = std::vector<sdlspy::Update>;
constexpr Uint16 kBack = 0x0010; // what screen and backBuffer hold unless a test says otherwise
constexpr auto TileColour = [](int v) { return Uint16(0x2000 + v * 0x0841); }; // tile value v

Pixels Snapshot(const SDL_Surface* s = screen) { // a 640 x 480 surface, rows unpadded
    const auto* p = static_cast<const Uint16*>(s->pixels);
    return Pixels(p, p + 640 * 480);
}

void Paint(Pixels& p, int x, int y, int w, int h, Uint16 value) {
    for (int i = 0; i < w * h; ++i)
        p[(y + i / w) * 640 + x + i % w] = value;
}

testing::AssertionResult Same(const Pixels& a, const Pixels& b) {
    const auto d = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
    return a == b ? testing::AssertionSuccess()
                  : testing::AssertionFailure() << "differ at " << d % 640 << "," << d / 640;
}

SDL_Surface* Surface(int w, int h, Uint16 value) {
    SDL_Surface* s = SDL_CreateRGBSurface(0, w, h, 16, 0xf800, 0x07e0, 0x001f, 0);
    SDL_FillRect(s, nullptr, value);
    return s;
}

void UseTiles(int w, int h) {
    for (SDL_Surface*& tile : tiles) {
        SDL_FreeSurface(tile);
        tile = Surface(w, h, TileColour(int(&tile - tiles) + 1));
    }
}

Board Numbered(int w, int h) { // 1..16 column by column: tiles can be traced
    Board b{{}, uint8_t(w), uint8_t(h)};
    for (int i = 0; i < w * h; ++i)
        b.cells[i / h][i % h] = uint8_t(1 + i % 16);
    return b;
}

// backBuffer with each tile of b in its cell or, given the board before a turn, moved
// step/9 of the way there (truncated) from the cell of `from` it left.
Pixels Still(const Board& b, int cx, const Board* from = nullptr, int step = 0) {
    Pixels p = Snapshot(backBuffer);
    const int w = tiles[0]->w, h = tiles[0]->h, bh = b.height, n = b.width * bh;
    auto at = [bh](const Board* a, int k) { return a->cells[k / bh][k % bh]; };
    for (int i = 0; i < n; ++i) {
        int f = i;
        for (int k = 0; from && at(from, i) != at(&b, i) && k < n; ++k)
            if (at(from, k) == at(&b, i) && at(&b, k) != at(&b, i)) f = k;
        const int x = cx - b.width * w / 2 + f / bh * w + (i / bh - f / bh) * (step * w / 9);
        const int y = 266 - bh * h / 2 + f % bh * h + (i % bh - f % bh) * (step * h / 9);
        if (at(&b, i) != 0) Paint(p, x, y, w, h, TileColour(at(&b, i)));
    }
    return p;
}

// Each test starts with the fonts of data/ (opened once), no images, a new window at scale 1,
// screen and backBuffer filled with kBack, a fresh clock and recorder. Until a whole-screen update,
// a new window's display is unknown and the door hands requests whole: the recorder sees what is
// asked for.
struct Gfx : testing::Test {
    void SetUp() override { Open(1); }
    static void Open(int scale) {
        if (fontMedium == nullptr) {
            sdlspy::UseDummyDrivers();
            ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
            ASSERT_EQ(TTF_Init(), 0);
            ASSERT_EQ(klmr_OpenFonts(), 1);
        }
        klmr_FreeImages();
        klmr_DisplaySetScale(scale);
        klmr_DisplaySetPace(0); // every request reaches the recorder at once
        ASSERT_EQ(klmr_OpenScreen(0), 1);
        SDL_FillRect(backBuffer, nullptr, kBack);
        SDL_FillRect(screen, nullptr, kBack);
        fakeclock::Reset();
        sdlspy::Reset();
    }
};

// During a turn the block's tiles go straight from their old cells to their new ones, later
// columns over earlier ones: step 0 is the board before the turn, 9 after it; holes draw nothing.
TEST_F(Gfx, BoardTilesLandInTheirCellsAndTurnStepByStep) {
    auto draw = [](const Board& b, int bx, int by, int dir, int step, int cx) {
        SDL_BlitSurface(backBuffer, nullptr, screen, nullptr);
        klmr_DrawBoard(uint16_t(cx), 266, &b, uint8_t(bx), uint8_t(by), uint8_t(dir), int8_t(step));
        return Snapshot();
    };
    // {tile w, h, board w, h, block x, y, centre x, direction}
    const int cases[][8] = {{30, 20, 4, 3, 2, 1, 490, 0}, {31, 21, 7, 9, 5, 7, 240, 1}};
    for (auto [w, h, bw, bh, bx, by, cx, dir] : cases) {
        UseTiles(w, h);
        Board before = Numbered(bw, bh), after = before;
        ASSERT_EQ(klmr_RotateBlock(&after, uint8_t(bx), uint8_t(by), int8_t(dir)), 0);
        const uint8_t hole = before.cells[bx][by + 1]; // where the turn left it
        for (Board* b : {&before, &after})
            std::replace(&b->cells[0][0], &b->cells[0][0] + sizeof b->cells, hole, uint8_t(0));
        for (int step = -1; step <= 9; ++step) // -1: no turn
            EXPECT_TRUE(Same(draw(after, bx, by, dir, step, cx),
                             Still(after, cx, step < 0 ? nullptr : &before, std::max(step, 0))))
                << bw << " wide, step " << step;
    }
    const Board bad{{{1, 2, 3}, {4, 17, 6}, {7, 8, 9}}, 3, 3}, before{{{1, 2, 3}, {4}}, 3, 3};
    testing::internal::CaptureStdout(); // 17 prints the error line and ends the drawing
    const Pixels got = draw(bad, 0, 0, 0, -1, 490);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERRRRRRRRRRRRRRRRRRrror\n");
    EXPECT_TRUE(Same(got, Still(before, 490))) << "the cells before the bad one, and nothing after";
}

// Frames 0..5 then back, three calls each; 16-pixel tiles cut the cursor to the 3x3 board.
TEST_F(Gfx, CursorFramesRunUpAndDownAndClipToTheBoard) {
    imgRotate = Surface(6 * 64, 64, 0); // frame f filled with 0xc000 + f * 0x0101
    for (int i = 0; i < 6 * 64 * 64; ++i)
        static_cast<Uint16*>(imgRotate->pixels)[i] = Uint16(0xc000 + i % 384 / 64 * 0x0101);
    // {n, frame, tile size}
    const int cases[][3] = {{3, 1, 32}, {15, 5, 32}, {18, 5, 32}, {33, 0, 32}, {6, 2, 16}};
    for (auto [n, frame, size] : cases) {
        UseTiles(size, size);
        const Board b = Numbered(3, 3);
        SDL_FillRect(screen, nullptr, kBack);
        klmr_DrawCursor(490, 266, &b, 1, 1, unsigned(n));
        Pixels want = Snapshot(backBuffer);
        const int side = std::min(64, 2 * size);
        Paint(want, 490 - size / 2, 266 - size / 2, side, side, Uint16(0xc000 + frame * 0x0101));
        EXPECT_TRUE(Same(Snapshot(), want)) << n << ", " << size;
    }
}

// Points relative to the corner (426, 202) of a 4x4 board of 32-pixel tiles.
TEST_F(Gfx, MouseMapsToTheNearestCornerBlockInCornerOrder) {
    UseTiles(32, 32);
    const Board b = Numbered(4, 4);
    auto at = [&](int rx, int ry) { // a miss: -1, out-values untouched
        uint8_t bx = 99, by = 99;
        const bool hit = klmr_BlockAtPoint(426 + rx, 202 + ry, &b, &bx, &by);
        return hit ? bx * 10 + by : bx == 99 && by == 99 ? -1 : -2;
    };
    // {rx, ry, block x * 10 + y}; ties go to the earlier corner
    const int cases[][3] = {{-1, 50, -1},  {128, 50, -1}, {50, -1, -1}, {50, 128, -1}, {0, 50, 1},
                            {127, 50, 21}, {48, 48, 0},   {49, 42, 10}, {42, 49, 1}};
    for (auto [rx, ry, block] : cases)
        EXPECT_EQ(at(rx, ry), block) << rx << "," << ry;
}

TEST_F(Gfx, TextIsCentredAgainst640AndUpdatedTwoPixelsWider) {
    SDL_Surface* wide = Surface(800, 480, kBack); // centring ignores the surface's width
    klmr_DrawText(screen, "Mil", fontMedium, &colorBlue, -37, 50, true);
    klmr_DrawText(wide, "Mil", fontMedium, &colorBlue, -37, 50, true);
    int w = 0; // the text's area grown by 2 pixels, on the screen alone
    TTF_SizeText(fontMedium, "Mil", &w, nullptr);
    EXPECT_EQ(sdlspy::Updates(),
              (Updates{{SDL_GetVideoSurface(), (640 - w) / 2 - 37 - 2, 48, Uint32(w + 4),
                        Uint32(TTF_FontHeight(fontMedium) + 4)}}));
    SDL_BlitSurface(wide, nullptr, backBuffer, nullptr);
    EXPECT_TRUE(Same(Snapshot(backBuffer), Snapshot()));
    SDL_FreeSurface(wide);
}

TEST_F(Gfx, UpdateClippedCutsTheCentredImageAndFillBackgroundCoversTheRemainder) {
    SDL_Surface* image = Surface(48, 36, 0); // pixel i is 1 + i; centred at x 296
    for (int i = 0; i < 48 * 36; ++i)
        static_cast<Uint16*>(image->pixels)[i] = Uint16(1 + i);
    // x offset, y -> the update's x, y, w, h; none when w is 0
    const int cases[][6] = {
        {0, -36, 0, 0, 0, 0}, {0, -20, 296, 0, 48, 16}, {-310, 460, 0, 460, 34, 20}};
    for (auto [dx, y, ux, uy, uw, uh] : cases) {
        sdlspy::Reset();
        klmr_UpdateClipped(screen, image, dx, y);
        EXPECT_EQ(
            sdlspy::Updates(),
            (uw ? Updates{{SDL_GetVideoSurface(), ux, uy, Uint32(uw), Uint32(uh)}} : Updates{}))
            << dx << ", " << y;
    }
    klmr_FillBackground(screen, image);
    const Pixels got = Snapshot();
    for (int i = 0; i < 640 * 480; ++i)
        ASSERT_EQ(got[i], 1 + i % 640 % 48 + 48 * (i / 640 % 36)) << i % 640 << "," << i / 640;
    SDL_FreeSurface(image);
}

TEST_F(Gfx, BouncingTilesWrapTurnAtTheEdgesAndHopOnTheSine) {
    UseTiles(30, 30); // x runs from 0 to 610
    // {angle, x, speed} before and after a tick: 180 wraps, and 181; both edges turn the tile
    const int ticks[][6] = {{0, 10, 1, 2, 11, 1}, {178, 609, 1, 0, 610, -1}, {179, 1, -1, 0, 0, 1}};
    for (auto [a, x, v, a2, x2, v2] : ticks) {
        tileAngle[0] = a;
        tileX[0] = x;
        tileSpeed[0] = v;
        klmr_BounceTick(10);
        EXPECT_EQ(std::tuple(tileAngle[0].load(), tileX[0].load(), tileSpeed[0].load()),
                  std::tuple(a2, x2, v2));
    }
    // A tile's top is 450 - (int)(80 sin angle): sin(30 degrees) is a hair below 0.5, so 411.
    for (int i = 0; i < kBounceCount; ++i) {
        tileAngle[i] = 30;
        tileX[i] = 10 + 60 * i;
        tileRects[i] = {Sint16(10 + 60 * i), 20, 30, 30};
    }
    bounceTile = 6;
    SDL_FillRect(screen, nullptr, 0x5555); // the tiles drawn last at y 20 are erased first
    klmr_DrawBouncingTiles();
    const Pixels got = Snapshot();
    for (int i = 0; i < kBounceCount; ++i)
        EXPECT_EQ(std::tuple(tileRects[i].y, got[49 * 640 + 10 + 60 * i],
                             got[(411 + 29) * 640 + 39 + 60 * i]),
                  std::tuple(411, kBack, TileColour(7)))
            << i;
}

TEST_F(Gfx, TimeIsDrawnOnlyWhenTheShownSecondChangesAndTestModeCountsUp) {
    // {test mode, seconds played, the value shown}: drawn once it changes, in a box erased
    const int cases[][3] = {{0, 65, -5}, {1, 4, 4}};
    for (auto [mode, played, value] : cases) {
        Open(1);
        testMode = uint8_t(mode);
        int32_t shown = mode ? played - 1 : 61 - played;
        const time_t start = 1700000001 - played;
        SDL_FillRect(screen, nullptr, 0xffff); // the box is erased before the new value
        for (int ms : {0, 1000, 999}) {        // the same second, the next, still the same
            fakeclock::Advance(ms);
            klmr_ShowTime(&shown, &start, 60);
        }
        EXPECT_EQ(std::tuple(shown, Snapshot()[400 * 640 + 240]), std::tuple(value, kBack));
        EXPECT_EQ(sdlspy::Updates().size(), mode ? 1u : 2u) << "test mode updates the text alone";
    }
    testMode = 0;
}

// The line is outlined: four pale copies shifted 2 pixels diagonally, under the text.
TEST_F(Gfx, NameLineIsOutlinedCutToItsBufferAndUpdatesItsBox) {
    const std::string name(54, 'i'), line = ("--->  " + name + "  <---").substr(0, 63);
    klmr_ShowNameLine(name.c_str()); // the line cut to 63 characters
    for (auto [dx, dy] : {std::pair{2, 2}, {-2, -2}, {-2, 2}, {2, -2}, {0, 0}})
        klmr_DrawText(backBuffer, line.c_str(), fontMedium, dx ? &colorPale : &colorBlue, dx,
                      220 + dy, false);
    EXPECT_TRUE(Same(Snapshot(), Snapshot(backBuffer)));
    EXPECT_EQ(sdlspy::Updates(), (Updates{{SDL_GetVideoSurface(), 120, 220, 400, 30}}));
}

TEST_F(Gfx, LoadingSeedsOncePlacesFromTheSizesFreesOriginalsAndKeysMagenta) {
    srand(1700000000);
    const int first = rand(), second = rand();
    freed = 0;
    ASSERT_EQ(klmr_LoadAndConvertImages(screen), 1);
    EXPECT_EQ(freed, 20) << "four images and sixteen tiles";
    EXPECT_EQ(std::tuple(bounceTile, rand()), std::tuple(first % 16, second))
        << "one draw, seeded from the clock";
    const int x = 10 + tiles[0]->w * 9; // the tenth bouncing tile's
    EXPECT_EQ(std::tuple(tileX[9].load(), tileRects[9].x), std::tuple(x, x));
    for (SDL_Surface* image : {imgLogo, imgRotate, imgSelect, tiles[15]}) // magenta: see-through
        EXPECT_EQ(image->flags & SDL_SRCCOLORKEY ? image->format->colorkey : 0, 0xf81fu);
    freed = 0;
    ASSERT_EQ(klmr_LoadAndConvertImages(screen), 1);
    EXPECT_EQ(freed, 40) << "the twenty of the first load, then the new originals";
}

// At each scale: after each request for R the display shows what it would had all of R been
// handed to it, over random drawing and requests; only changes are handed to SDL, enlarged;
// and the display equals the screen at every wait of the curtain and the logo drop.
TEST_F(Gfx, TheDisplayShowsWhatWholeUpdatesWouldAndIsHandedOnlyChanges) {
    auto random = [](int below) { return rand() % below; };
    for (int n : {1, 2, 3}) {
        Open(n);
        SDL_Surface* want = Surface(640, 480, kBack); // the display had every R been handed whole
        srand(unsigned(n));
        klmr_Flip();
        for (int i = 0; i < 150; ++i) {
            for (int k = random(10) ? random(4) : 60; k-- > 0;) { // a few changes, or scattered
                const int size = random(9) ? 1 + random(40) : 300;
                SDL_Rect r = {Sint16(random(680) - 20), Sint16(random(520) - 20),
                              Uint16(1 + random(size)), Uint16(1 + random(size))};
                SDL_FillRect(screen, &r, Uint32(random(65536)));
            }
            // a rectangle, or (w 0) the whole screen
            const Sint16 x = Sint16(random(700) - 30), y = Sint16(random(540) - 30);
            const Uint16 w = Uint16(random(9) ? 1 + random(400) : 0), h = Uint16(1 + random(400));
            SDL_Rect r = w ? SDL_Rect{x, y, w, h} : SDL_Rect{0, 0, 640, 480}, at = r;
            klmr_DisplayUpdate(screen, r.x, r.y, w ? w : 0, w ? h : 0);
            SDL_BlitSurface(screen, &r, want, &at);
            ASSERT_TRUE(sdlspy::Shows(want)) << "request " << i << " at scale " << n;
        }
        SDL_FreeSurface(want);
        klmr_Flip();
        sdlspy::Reset();
        klmr_Flip(); // nothing changed: nothing is handed
        static_cast<Uint16*>(screen->pixels)[200 * 640 + 100] = 0x1234;
        klmr_Flip();
        EXPECT_EQ(sdlspy::Updates(),
                  (Updates{{SDL_GetVideoSurface(), 100 * n, 200 * n, Uint32(n), Uint32(n)}}));
        ASSERT_EQ(klmr_LoadAndConvertImages(screen), 1);
        fakeclock::OnDelay(
            [n] { EXPECT_TRUE(sdlspy::Shows(screen)) << n << ", " << fakeclock::Delays().size(); });
        klmr_SaveScreen();
        klmr_LogoDrop();
        klmr_Flip(); // as start-up goes on: the drop's last restore is shown with the next picture
        SDL_FillRect(backBuffer, nullptr, kBack); // the next scale's window is then all kBack
        klmr_CurtainEffect(0);
        EXPECT_EQ(fakeclock::Delays().size(), 91u + 120) << "a look at every wait";
    }
}

} // namespace

TEST(Display, LayoutTakesTheLargestScaleThatFitsAndAutoLeavesRoomOnTheDesktop) {
    // {window w, h, scale, x, y}: a window smaller than the picture shows its middle
    const int layouts[][5] = {
        {1279, 1000, 1, 319, 260}, {3000, 1440, 3, 540, 0}, {600, 401, 1, -20, -39}};
    for (auto [w, h, n, x, y] : layouts)
        EXPECT_EQ(klmr_DisplayLayoutFor(w, h), (DisplayLayout{n, x, y})) << w << "x" << h;
    // {desktop w, h, scale}: 480N at most 90 % of the height; unknown: 1
    const int autos[][3] = {
        {2560, 1440, 2}, {1920, 1200, 2}, {1280, 1024, 1}, {3840, 2160, 3}, {0, 0, 1}};
    for (auto [w, h, n] : autos)
        EXPECT_EQ(klmr_DisplayAutoScale(w, h), n) << w << "x" << h;
}
