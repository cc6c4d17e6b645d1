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
    static auto real =
        reinterpret_cast<void (*)(SDL_Surface*)>(dlsym(RTLD_NEXT, "SDL_FreeSurface"));
    freed += s != nullptr;
    real(s);
}

namespace {

using Pixels = std::vector<Uint16>; // a 16-bit surface of even width: rows have no padding
using Updates = std::vector<sdlspy::Update>;
constexpr Uint16 kBack = 0x0010; // what backBuffer holds unless a test says otherwise
constexpr auto TileColour = [](int v) { return Uint16(0x2000 + v * 0x0841); }; // tile value v

Pixels Snapshot(const SDL_Surface* s = screen) {
    const auto* p = static_cast<const Uint16*>(s->pixels);
    return Pixels(p, p + s->pitch / 2 * s->h);
}

void Paint(Pixels& p, int x, int y, int w, int h, Uint16 value) {
    for (int yy = std::max(y, 0); yy < std::min(y + h, kScreenHeight); ++yy)
        for (int xx = std::max(x, 0); xx < std::min(x + w, kScreenWidth); ++xx)
            p[yy * kScreenWidth + xx] = value;
}

testing::AssertionResult Same(const Pixels& a, const Pixels& b) {
    const auto d = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
    return a == b ? testing::AssertionSuccess()
                  : testing::AssertionFailure() << "differ at " << d % 640 << "," << d / 640;
}

// Headless screen and back buffer of kBack, the fonts of data/, fresh clock and call recorder.
// Until a whole-screen update, a new window's display is unknown and the display door hands
// every request to SDL whole: the recorder then sees the rectangles the operations ask for.
class Gfx : public testing::Test {
  protected:
    void SetUp() override {
        sdlspy::UseDummyDrivers();
        ASSERT_TRUE(SDL_Init(SDL_INIT_VIDEO) == 0 && klmr_OpenScreen(0) == 1 && TTF_Init() == 0 &&
                    klmr_OpenFonts() == 1);
        Reset();
    }
    void TearDown() override {
        klmr_DisplayClose();
        klmr_DisplaySetScale(1);
        klmr_CloseFonts();
        TTF_Quit();
        klmr_FreeImages();
        klmr_FreeBackBuffer();
        SDL_Quit();
        testMode = 0;
    }
    static void Reset() {
        SDL_FillRect(backBuffer, nullptr, kBack);
        SDL_FillRect(screen, nullptr, kBack);
        fakeclock::Reset();
        sdlspy::Reset();
    }
    // A window n times larger, screen and back buffer cleared.
    static void UseScale(int n) {
        klmr_DisplaySetScale(n);
        ASSERT_EQ(klmr_OpenScreen(0), 1);
        Reset();
    }
    static SDL_Surface* Surface(int w, int h, Uint16 value) {
        const SDL_PixelFormat* f = screen->format;
        SDL_Surface* s = SDL_CreateRGBSurface(0, w, h, 16, f->Rmask, f->Gmask, f->Bmask, 0);
        SDL_FillRect(s, nullptr, value);
        return s;
    }
    static void UseTiles(int w, int h) {
        for (int i = 0; i < kTileCount; ++i)
            SDL_FreeSurface(tiles[i]), tiles[i] = Surface(w, h, TileColour(i + 1));
    }
    // The update klmr_DrawText makes for text at y moved by x: its area grown by 2 pixels.
    static sdlspy::Update TextArea(const std::string& text, int y, int x = 0) {
        int w = 0, h = TTF_FontHeight(fontMedium);
        TTF_SizeText(fontMedium, text.c_str(), &w, nullptr);
        return {screen, (640 - w) / 2 + x - 2, y - 2, Uint32(w + 4), Uint32(h + 4)};
    }
    // A w x h board numbered column by column: distinct values, so that tiles can be traced.
    static Board Numbered(int w, int h) {
        Board b{};
        b.width = uint8_t(w), b.height = uint8_t(h);
        for (int x = 0; x < w; ++x)
            for (int y = 0; y < h; ++y)
                b.cells[x][y] = uint8_t(1 + (x * h + y) % 16);
        return b;
    }
    static Pixels Draw(const Board& b, int bx, int by, int dir, int step, int cx = kPlayCenterX) {
        SDL_BlitSurface(backBuffer, nullptr, screen, nullptr);
        klmr_DrawBoard(cx, kBoardCenterY, &b, bx, by, dir, step); // all in their types' ranges
        return Snapshot();
    }
    // backBuffer with each tile of b drawn in its cell or, given the board before a turn,
    // moved step/9 of the way there from its cell in `from` (values distinct), truncated.
    static Pixels Still(const Board& b, int cx = kPlayCenterX, const Board* from = nullptr,
                        int step = 0) {
        Pixels p = Snapshot(backBuffer);
        const int w = tiles[0]->w, h = tiles[0]->h;
        for (int x = 0; x < b.width; ++x) {
            for (int y = 0; y < b.height; ++y) {
                int fx = x, fy = y;
                for (int i = 0; from && i < from->width * from->height; ++i)
                    if (from->cells[i / from->height][i % from->height] == b.cells[x][y])
                        fx = i / from->height, fy = i % from->height;
                if (b.cells[x][y] != 0)
                    Paint(p, cx - b.width * w / 2 + fx * w + (x - fx) * (step * w / 9),
                          kBoardCenterY - b.height * h / 2 + fy * h + (y - fy) * (step * h / 9), w,
                          h, TileColour(b.cells[x][y]));
            }
        }
        return p;
    }
};

TEST_F(Gfx, CellsLandInPlaceAValueOf17StopsAndTheBoardRectangleIsRestored) {
    for (auto [w, h] : {std::pair{32, 32}, {31, 21}}) {
        UseTiles(w, h);
        for (auto [bw, bh] : {std::pair{1, 1}, {2, 3}, {5, 4}, {7, 9}, {8, 8}}) {
            Board b = Numbered(bw, bh);
            b.cells[bw / 2][bh - 1] = 0; // a hole
            for (int cx : {kTargetCenterX, kPlayCenterX})
                EXPECT_TRUE(Same(Draw(b, 0, 0, 1, -1, cx), Still(b, cx)))
                    << w << "x" << h << " tiles, " << bw << "x" << bh << " board at " << cx;
        }
    }
    EXPECT_TRUE(sdlspy::Updates().empty()) << "the board view never updates by itself";
    Board bad = Numbered(3, 3); // a value of 17 prints the error line and ends the drawing
    bad.cells[1][1] = 17;
    testing::internal::CaptureStdout();
    const Pixels got = Draw(bad, 0, 0, 0, -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERRRRRRRRRRRRRRRRRRrror\n");
    bad.cells[1][1] = bad.cells[1][2] = bad.cells[2][0] = bad.cells[2][1] = bad.cells[2][2] = 0;
    EXPECT_TRUE(Same(got, Still(bad))) << "the cells before the bad one, and nothing after it";
    const Board b = Numbered(5, 3); // 31x21 tiles: 155x63, whose halves round down
    SDL_FillRect(screen, nullptr, 0xffff);
    klmr_RestoreBoardArea(kPlayCenterX, kBoardCenterY, &b);
    klmr_UpdateBoardArea(kPlayCenterX, kBoardCenterY, &b);
    Pixels want(kScreenWidth * kScreenHeight, 0xffff);
    Paint(want, 490 - 77, 266 - 31, 155, 63, kBack);
    EXPECT_TRUE(Same(Snapshot(), want));
    EXPECT_EQ(sdlspy::Updates(), (Updates{{screen, 490 - 77, 266 - 31, 155, 63}}));
}

// The turned block's tiles go straight from their old cells to their new ones, later columns
// over earlier ones; holes draw nothing. Step 0 is the board before the turn, 9 after it.
TEST_F(Gfx, TurnStepsMoveEachTileFromItsOldCellToItsNewOne) {
    UseTiles(30, 20);
    for (auto [bx, by, dir] : {std::tuple{0, 0, 0}, {0, 0, 1}, {2, 1, 0}, {2, 1, 1}}) {
        Board before = Numbered(4, 3), after = before;
        ASSERT_EQ(klmr_RotateBlock(&after, uint8_t(bx), uint8_t(by), int8_t(dir)), 0);
        for (Board* b : {&before, &after}) // a hole in the block, where the turn left it
            std::replace(&b->cells[0][0], &b->cells[0][0] + sizeof b->cells, 2 + bx * 3 + by, 0);
        for (int step = 0; step <= 9; ++step)
            EXPECT_TRUE(Same(Draw(after, bx, by, dir, step), Still(after, 490, &before, step)))
                << "block " << bx << "," << by << " dir " << dir << " step " << step;
    }
}

TEST_F(Gfx, CursorFramesRunUpAndDownAndClipToTheBoard) {
    imgRotate = Surface(6 * 64, 64, 0); // frame f filled with 0xc000 + f * 0x0101
    for (int i = 0; i < 6 * 64 * 64; ++i)
        static_cast<Uint16*>(imgRotate->pixels)[i] = Uint16(0xc000 + i % 384 / 64 * 0x0101);
    // {n, frame, tile size}: 16-pixel tiles cut the cursor over block (1, 1) to the board.
    const int cases[][3] = {{0, 0, 32},   {3, 1, 32},   {15, 5, 32}, {18, 5, 32},
                            {30, 1, 32},  {32, 1, 32},  {33, 0, 32}, {17, 5, 32},
                            {329, 1, 32}, {330, 0, 32}, {6, 2, 16}};
    for (auto [n, frame, size] : cases) {
        UseTiles(size, size);
        Reset();
        const Board b = Numbered(size == 32 ? 4 : 3, 3);
        klmr_DrawCursor(kPlayCenterX, kBoardCenterY, &b, 1, 1, unsigned(n));
        Pixels want = Snapshot(backBuffer);
        Paint(want, 490 - b.width * size / 2 + size, 266 - b.height * size / 2 + size,
              std::min(64, (b.width - 1) * size), std::min(64, (b.height - 1) * size),
              Uint16(0xc000 + frame * 0x0101));
        EXPECT_TRUE(Same(Snapshot(), want) && sdlspy::Updates().empty()) << n << ", " << size;
    }
}

// Points relative to the corner (426, 202) of a 4x4 board of 32-pixel tiles.
TEST_F(Gfx, MouseMapsToTheNearestCornerBlockInCornerOrder) {
    UseTiles(32, 32);
    Board b = Numbered(4, 4);
    auto at = [&](int rx, int ry) { // a miss: -1 and the out-values, untouched outside
        uint8_t bx = 99, by = 99;
        const bool hit = klmr_BlockAtPoint(426 + rx, 202 + ry, &b, &bx, &by);
        return hit ? bx * 10 + by : -bx * 100 - by;
    };
    const int cases[][3] = {// {rx, ry, block x * 10 + y}; ties go to the earlier corner
                            {-1, 50, -9999}, {128, 50, -9999}, {50, -1, -9999}, {50, 128, -9999},
                            {0, 50, 1},      {127, 50, 21},    {50, 0, 10},     {50, 127, 12},
                            {1, 1, 0},       {126, 126, 22},   {48, 48, 0},     {47, 42, 0},
                            {48, 42, 0},     {49, 42, 10},     {42, 48, 0},     {42, 49, 1},
                            {31, 40, 0},     {32, 40, 0}};
    for (auto [rx, ry, block] : cases)
        EXPECT_EQ(at(rx, ry), block) << rx << "," << ry;
    UseTiles(30, 20); // width and height keep their roles: cell (1, 1), its corner 3
    EXPECT_EQ(at(490 - 60 - 426 + 44, 266 - 40 - 202 + 31), 1);
    UseTiles(32, 32);
    // Holes rule blocks out; the corners of cell (1, 1) are tried in the order 0, 1, 2, 3.
    const int holes[4][2] = {{0, 0}, {2, 0}, {2, 1}, {0, 2}}, next[4] = {10, 11, 1, -1};
    for (int k = 0; k < 4; ++k) {
        b.cells[holes[k][0]][holes[k][1]] = 0;
        EXPECT_EQ(std::max(at(48, 48), -1), next[k]) << "after hole " << k;
    }
    EXPECT_FALSE(klmr_BlockAtPoint(476, 250, nullptr, &b.width, &b.height));
}

TEST_F(Gfx, TextIsCentredAgainst640AndUpdatedTwoPixelsWiderOnceEvenWhenOutlined) {
    SDL_Surface* wide = Surface(800, 100, kBack); // centring ignores the surface's width
    auto left = [](SDL_Surface* s) {              // its first 100 rows, 640 wide
        Pixels p;
        for (auto* row = static_cast<Uint16*>(s->pixels); p.size() < 64000; row += s->pitch / 2)
            p.insert(p.end(), row, row + 640);
        return p;
    };
    ASSERT_NE(TextArea("Mi", 0).w % 2, TextArea("Mil", 0).w % 2) << "an even and an odd width";
    for (const char* text : {"Mi", "Mil"}) {
        for (int offset : {0, 200, -37}) {
            Reset();
            SDL_FillRect(wide, nullptr, kBack);
            klmr_DrawText(screen, text, fontMedium, &colorBlue, offset, 50, true);
            klmr_DrawText(wide, text, fontMedium, &colorBlue, offset, 50, true);
            const sdlspy::Update a = TextArea(text, 50, offset);
            EXPECT_EQ(sdlspy::Updates(), (Updates{a})) << "only the screen reaches the display";
            EXPECT_TRUE(Same(left(wide), left(screen))) << offset;
        }
    }
    SDL_FreeSurface(wide);
    const char* text = "HiScores . . . 42"; // outlined: four shifted copies under the text
    Reset();
    klmr_DrawTextOutlined(screen, text, fontMedium, &colorBlue, &colorPale, 100, true);
    const Pixels outlined = Snapshot();
    EXPECT_EQ(sdlspy::Updates(), (Updates{TextArea(text, 100)}));
    Reset();
    for (auto [dx, dy] : {std::pair{2, 2}, {-2, -2}, {-2, 2}, {2, -2}})
        klmr_DrawText(screen, text, fontMedium, &colorPale, dx, 100 + dy, false);
    klmr_DrawText(screen, text, fontMedium, &colorBlue, 0, 100, false);
    EXPECT_TRUE(Same(outlined, Snapshot()));
}

TEST_F(Gfx, UpdateClippedCutsTheCentredImageAtTheEdges) {
    SDL_Surface* image = Surface(200, 100, 0); // centred at x 220
    const int cases[][6] = {// x offset, y -> the update's x, y, w, h; none when w is 0
                            {0, -139, 0, 0, 0, 0},       {0, -100, 0, 0, 0, 0},
                            {0, -50, 220, 0, 200, 50},   {0, 21, 220, 21, 200, 100},
                            {-300, 21, 0, 21, 120, 100}, {-420, 21, 0, 0, 0, 0},
                            {400, 21, 620, 21, 20, 100}, {420, 21, 0, 0, 0, 0},
                            {0, 430, 220, 430, 200, 50}, {0, 480, 0, 0, 0, 0}};
    for (auto [dx, y, ux, uy, uw, uh] : cases) {
        sdlspy::Reset();
        klmr_UpdateClipped(screen, image, dx, y);
        Updates want = {{screen, ux, uy, Uint32(uw), Uint32(uh)}};
        EXPECT_EQ(sdlspy::Updates(), uw ? want : Updates{}) << dx << ", " << y;
    }
    SDL_FreeSurface(image);
}

TEST_F(Gfx, FillBackgroundCoversSurfacesThatAreNoMultipleOfTheImage) {
    SDL_Surface* image = Surface(48, 36, 0);
    for (int i = 0; i < 48 * 36; ++i)
        static_cast<Uint16*>(image->pixels)[i] = Uint16(1 + i);
    SDL_Surface* small = Surface(100, 70, 0xffff);
    for (SDL_Surface* dst : {screen, small}) {
        klmr_FillBackground(dst, image);
        const Pixels got = Snapshot(dst);
        for (int i = 0; i < dst->w * dst->h; ++i)
            ASSERT_EQ(got[i], 1 + i % dst->w % 48 + 48 * (i / dst->w % 36)) << dst->w;
    }
    SDL_FreeSurface(image);
    SDL_FreeSurface(small);
}

TEST_F(Gfx, BounceTickWrapsAnglesAndTurnsTilesAtBothEdges) {
    auto tick = [](int angle, int x, int speed) { // tile 0 after one tick
        tileAngle[0] = angle, tileX[0] = x, tileSpeed[0] = speed;
        EXPECT_EQ(klmr_BounceTick(10), 10u);
        return std::tuple(tileAngle[0].load(), tileX[0].load(), tileSpeed[0].load());
    };
    UseTiles(30, 30); // x runs from 0 to 610
    EXPECT_EQ(tick(0, 10, 1), std::tuple(2, 11, 1));
    EXPECT_EQ(tick(177, 300, -1), std::tuple(179, 299, -1)) << "odd angles stay odd";
    EXPECT_EQ(tick(178, 609, 1), std::tuple(0, 610, -1)) << "180 wraps; the right edge";
    EXPECT_EQ(tick(179, 1, -1), std::tuple(0, 0, 1)) << "181 wraps too; the left edge";
    UseTiles(63, 30); // ten wide tiles: the last one trembles between 577 and 578
    for (int i = 0; i < kBounceCount; ++i)
        tileAngle[i] = 0, tileX[i] = 10 + 63 * i, tileSpeed[i] = 1;
    for (int n = 0; n < 6; ++n) {
        klmr_BounceTick(1);
        EXPECT_EQ(tileX[9], n % 2 ? 577 : 578);
    }
}

// A tile's top is 450 - (int)(80 sin angle): sin(30 degrees) is a hair below 0.5, so 411.
TEST_F(Gfx, BouncingTilesHopOnTheSineAndEraseTheirLastPlace) {
    UseTiles(30, 30);
    const int angle[] = {30, 90, 0, 179, 45, 60, 120, 150, 2, 88};
    const int y[] = {411, 370, 450, 449, 394, 381, 381, 411, 448, 371};
    for (int i = 0; i < kBounceCount; ++i)
        tileAngle[i] = angle[i], tileX[i] = 10 + 60 * i,
        tileRects[i] = {Sint16(10 + 60 * i), 20, 30, 30};
    bounceTile = 6;
    SDL_Rect band = {0, 0, 640, 60};
    SDL_FillRect(screen, &band, 0x5555); // stands for the tiles drawn last at y 20
    klmr_DrawBouncingTiles();
    Pixels want = Snapshot(backBuffer);
    Paint(want, 0, 0, 640, 60, 0x5555);
    for (int i = 0; i < kBounceCount; ++i) // every last place erased, then the tiles drawn
        Paint(want, 10 + 60 * i, 20, 30, 30, kBack);
    for (int i = 0; i < kBounceCount; ++i)
        Paint(want, 10 + 60 * i, y[i], 30, 30, TileColour(7));
    EXPECT_TRUE(Same(Snapshot(), want));
    klmr_UpdateBottomStrip();
    EXPECT_EQ(sdlspy::Updates(), (Updates{{screen, 0, 370, 640, 110}}));
}

TEST_F(Gfx, TimeIsDrawnOnlyWhenTheShownSecondChangesAndTestModeCountsUp) {
    // {test mode, seconds played, what shows}: each drawn only once the value changes.
    const std::tuple<int, int, const char*> cases[] = {
        {0, 4, "time: 56"}, {0, 65, "time: -5"}, {1, 4, "time: 4"}, {1, 65, "time: 65"}};
    for (auto [mode, played, text] : cases) {
        Reset();
        klmr_DrawText(screen, text, fontMedium, &colorBlue, 0, 400, false);
        const Pixels want = Snapshot();
        Reset();
        testMode = uint8_t(mode);
        int32_t shown = mode ? played - 1 : 60 - played + 1;
        const time_t start = 1700000000 - played + 1;
        klmr_ShowTime(&shown, &start, 60);
        EXPECT_TRUE(sdlspy::Updates().empty()) << "the same value: nothing drawn";
        SDL_Rect box = {240, 400, 160, 30};
        SDL_FillRect(screen, &box, 0xffff); // erased before the new value
        fakeclock::Advance(1000);
        klmr_ShowTime(&shown, &start, 60);
        EXPECT_EQ(shown, std::stoi(text + 6));
        EXPECT_TRUE(Same(Snapshot(), want)) << text;
        Updates updates = {TextArea(text, 400), {screen, 240, 400, 160, 30}};
        updates.resize(mode ? 1 : 2); // test mode updates the text alone
        EXPECT_EQ(sdlspy::Updates(), updates) << text;
        fakeclock::Advance(999);
        klmr_ShowTime(&shown, &start, 60);
        EXPECT_EQ(sdlspy::Updates(), updates) << "still the same second";
    }
}

TEST_F(Gfx, NameLineOfAFullNameAndOfAnOverlongOne) {
    const std::string name31(31, 'W'), name80(80, 'i');
    const std::string cut = ("--->  " + name80).substr(0, 63); // into the 64-byte buffer
    for (auto [name, line] : {std::pair{name31, "--->  " + name31 + "  <---"}, {name80, cut}}) {
        Reset();
        klmr_DrawTextOutlined(screen, line.c_str(), fontMedium, &colorBlue, &colorPale, 220, false);
        const Pixels want = Snapshot();
        Reset();
        klmr_ShowNameLine(name.c_str());
        EXPECT_TRUE(Same(Snapshot(), want)) << line;
        EXPECT_EQ(sdlspy::Updates(), (Updates{{screen, 120, 220, 400, 30}}));
    }
}

TEST_F(Gfx, LoadingSeedsOncePlacesFromTheSizesAndFreesEveryUnconvertedOriginal) {
    srand(1700000000);
    const int first = rand(), second = rand();
    freed = 0;
    ASSERT_EQ(klmr_LoadAndConvertImages(screen), 1);
    EXPECT_EQ(freed, 20) << "four images and sixteen tiles";
    EXPECT_EQ(bounceTile, first % 16) << "seeded from the clock";
    EXPECT_EQ(rand(), second) << "one draw, from the one seeding";
    const int w = tiles[0]->w, h = tiles[0]->h; // the tenth bouncing tile
    EXPECT_EQ(
        std::tuple(tileX[9].load(), tileRects[9].x, tileRects[9].y, tileRects[9].w, tileRects[9].h),
        std::tuple(10 + w * 9, 10 + w * 9, 20, w, h));
    EXPECT_EQ(std::tuple(selectRect.x, selectRect.y, selectRect.w, selectRect.h),
              std::tuple((640 - imgSelect->w) / 2, 145, imgSelect->w, 160));
    freed = 0;
    ASSERT_EQ(klmr_LoadAndConvertImages(screen), 1);
    EXPECT_EQ(freed, 40) << "the twenty of the first load, then the new originals";
}

// After a deliberate change to the art, font or drawing, look at the screens in the game, then
// take the hashes KELMORA_GOLDEN_PRINT=1 ./tests/gfx/test_gfx prints in the build directory.
TEST_F(Gfx, GoldenAboutHiScoresAndABoardMidTurn) {
    auto check = [](const char* name, uint64_t golden) { // 64-bit FNV-1a of the screen
        uint64_t hash = 1469598103934665603ull;
        for (Uint16 v : Snapshot())
            hash = ((hash ^ (v & 0xff)) * 1099511628211ull ^ v >> 8) * 1099511628211ull;
        if (getenv("KELMORA_GOLDEN_PRINT"))
            printf("golden %s 0x%016llx\n", name, (unsigned long long)hash);
        EXPECT_EQ(hash, golden) << name;
    };
    ASSERT_EQ(klmr_LoadAndConvertImages(screen), 1); // the title background, as at start-up
    klmr_FillBackground(screen, imgBackground);
    klmr_DrawLogo(0, 0);
    klmr_DrawTextCentered(screen, noticeLine, fontSmall, &colorShadow, 90, true);
    klmr_SaveScreen();
    klmr_ShowAbout("About", aboutLines, 104);
    check("about", 0xddbee49a9ee26f3bull);
    HiScoreTable table;
    klmr_HiScoreDefaults(&table);
    klmr_EntrySet(&table.rows[2], "Zed Quillborne-Ashcroft", 17, 85);
    klmr_ShowHiScores(&table, 120);
    check("hiscores", 0x0a9793587e620de8ull);
    Board target{}, board;
    ASSERT_EQ(klmr_BoardLoadLevel(&target, 4), 0);
    board = target;
    const uint8_t bx = uint8_t(board.width / 2 - 1), by = uint8_t(board.height / 2 - 1);
    ASSERT_EQ(klmr_RotateBlock(&board, bx, by, 1), 0); // the middle block: four distinct tiles
    klmr_RestoreScreen();
    klmr_DrawBoard(kTargetCenterX, kBoardCenterY, &target, 0, 0, 0, -1);
    klmr_RestoreBoardArea(kPlayCenterX, kBoardCenterY, &board);
    klmr_DrawBoard(kPlayCenterX, kBoardCenterY, &board, bx, by, 1, 4);
    klmr_DrawCursor(kPlayCenterX, kBoardCenterY, &board, bx, by, 12);
    check("turn", 0x5b4530682e6453faull);
}

// At each scale: after each request for R the display shows what it would had all of R been
// handed to it (the screen inside R, what it showed before elsewhere), over random drawing and
// requests; only changes are handed to SDL, enlarged; and the display equals the screen at every
// step of the curtains and the logo drop.
TEST_F(Gfx, TheDisplayShowsWhatWholeUpdatesWouldAndIsHandedOnlyChanges) {
    auto random = [](int below) { return rand() % below; };
    for (int n : {1, 2, 3}) {
        UseScale(n);
        srand(unsigned(n));
        SDL_Surface* want = Surface(640, 480, 0); // the display had every R been handed whole
        klmr_Flip(), SDL_BlitSurface(screen, nullptr, want, nullptr);
        for (int i = 0; i < 150; ++i) {
            for (int k = random(10) ? random(4) : 60; k-- > 0;) { // a few changes, or scattered
                const int size = random(9) ? 1 + random(40) : 300;
                SDL_Rect r = {Sint16(random(680) - 20), Sint16(random(520) - 20),
                              Uint16(1 + random(size)), Uint16(1 + random(size))};
                SDL_FillRect(screen, &r, Uint32(random(65536)));
            }
            SDL_Rect r = {Sint16(random(700) - 30), Sint16(random(540) - 30), 0, 0};
            r.w = Uint16(random(9) ? 1 + random(400) : 0), r.h = Uint16(r.w ? 1 + random(400) : 0);
            if (!r.w) r.x = r.y = 0; // the whole screen
            klmr_DisplayUpdate(screen, r.x, r.y, r.w, r.h);
            SDL_Rect at = r;
            SDL_BlitSurface(screen, r.w ? &r : nullptr, want, r.w ? &at : nullptr);
            ASSERT_TRUE(sdlspy::Shows(want)) << "request " << i << " at scale " << n;
        }
        SDL_FreeSurface(want);
        klmr_Flip();
        sdlspy::Reset();
        klmr_Flip(); // nothing changed
        SDL_Rect dot = {100, 200, 1, 1};
        SDL_FillRect(screen, &dot, 0x1234);
        klmr_Flip();
        EXPECT_EQ(sdlspy::Updates(),
                  (Updates{{SDL_GetVideoSurface(), 100 * n, 200 * n, Uint32(n), Uint32(n)}}));
        ASSERT_EQ(klmr_LoadAndConvertImages(screen), 1);
        klmr_FillBackground(backBuffer, imgBackground);
        klmr_Flip();
        int looks = 0;
        fakeclock::OnDelay([&] {
            ++looks;
            EXPECT_TRUE(sdlspy::Shows(screen)) << "scale " << n << ", look " << looks;
        });
        klmr_CurtainEffect(0), klmr_SaveScreen(), klmr_LogoDrop();
        klmr_DrawLogo(0, 0), klmr_Flip(); // as start-up goes on
        SDL_FillRect(backBuffer, nullptr, 0), klmr_CurtainEffect(0);
        EXPECT_EQ(looks, 120 + 91 + 120);
    }
}

} // namespace
