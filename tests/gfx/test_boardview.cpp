// Board view: cell placement, the turn animation, the cursor and the mouse-to-block mapping.
#include "boardview.h"
#include "gfx_fixture.h"

#include <utility>

using namespace gfxtest;

namespace {

struct Origin {
    int left, top;
};

Origin BoardOrigin(int cx, int cy, const Board& b, int w, int h) {
    return {cx - (b.width * w) / 2, cy - (b.height * h) / 2};
}

Board MakeBoard(int width, int height) {
    Board b{};
    b.width = static_cast<uint8_t>(width);
    b.height = static_cast<uint8_t>(height);
    return b;
}

// The screen expected after drawing b with every cell in its place over backBuffer.
Pixels StillPicture(int cx, int cy, const Board& b, int w, int h) {
    Pixels p = Snapshot(backBuffer);
    const Origin o = BoardOrigin(cx, cy, b, w, h);
    for (int x = 0; x < b.width; ++x)
        for (int y = 0; y < b.height; ++y)
            if (b.cells[x][y] != 0)
                Paint(p, kScreenWidth, kScreenHeight, o.left + x * w, o.top + y * h, w, h,
                      TileColour(b.cells[x][y]));
    return p;
}

class BoardViewTest : public GfxTest {
  protected:
    Pixels Draw(int cx, int cy, const Board& b, int bx, int by, int dir, int step) {
        SDL_BlitSurface(backBuffer, nullptr, screen, nullptr);
        klmr_DrawBoard(static_cast<uint16_t>(cx), static_cast<uint16_t>(cy), &b,
                       static_cast<uint8_t>(bx), static_cast<uint8_t>(by),
                       static_cast<uint8_t>(dir), static_cast<int8_t>(step));
        return Snapshot(screen);
    }
};

TEST_F(BoardViewTest, EveryCellLandsInItsPlaceForSeveralSizesAndBothCentres) {
    const std::pair<int, int> tileSizes[] = {{32, 32}, {31, 21}};
    const std::pair<int, int> boardSizes[] = {{1, 1}, {2, 3}, {5, 4}, {7, 9}, {8, 8}};
    for (auto [w, h] : tileSizes) {
        UseSyntheticTiles(w, h);
        for (auto [bw, bh] : boardSizes) {
            Board b = MakeBoard(bw, bh);
            for (int x = 0; x < bw; ++x)
                for (int y = 0; y < bh; ++y)
                    b.cells[x][y] = (x + 2 * y) % 5 == 3 ? 0 : 1 + (7 * x + 3 * y) % 16;
            for (int cx : {kTargetCenterX, kPlayCenterX}) {
                const Pixels expected = StillPicture(cx, kBoardCenterY, b, w, h);
                // Step -1 ignores the block and direction entirely.
                const Pixels got = Draw(cx, kBoardCenterY, b, 0, 0, 1, -1);
                EXPECT_EQ(got, expected)
                    << w << "x" << h << " tiles, " << bw << "x" << bh << " board at " << cx << ": "
                    << FirstDifference(got, expected);
            }
        }
    }
    EXPECT_TRUE(sdlspy::Updates().empty()) << "the board view never updates by itself";
}

TEST_F(BoardViewTest, EmptyOrNullBoardDrawsAndUpdatesNothing) {
    UseSyntheticTiles(32, 32);
    const Pixels before = Snapshot(screen);
    Board empty = MakeBoard(0, 3);
    empty.cells[0][0] = 5;
    klmr_DrawBoard(kPlayCenterX, kBoardCenterY, &empty, 0, 0, 0, -1);
    klmr_DrawBoard(kPlayCenterX, kBoardCenterY, nullptr, 0, 0, 0, -1);
    klmr_DrawCursor(kPlayCenterX, kBoardCenterY, nullptr, 0, 0, 0);
    klmr_RestoreBoardArea(kPlayCenterX, kBoardCenterY, nullptr);
    klmr_UpdateBoardArea(kPlayCenterX, kBoardCenterY, &empty);
    klmr_UpdateBoardArea(kPlayCenterX, kBoardCenterY, nullptr);
    EXPECT_EQ(Snapshot(screen), before);
    EXPECT_TRUE(sdlspy::Updates().empty());
}

// Step 0 shows the turned block's tiles in their old cells and step 9 in their new ones.
TEST_F(BoardViewTest, StepsZeroAndNineShowTheOldAndNewCells) {
    UseSyntheticTiles(30, 20);
    Board before = MakeBoard(4, 3);
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 3; ++y)
            before.cells[x][y] = static_cast<uint8_t>(1 + x * 3 + y);
    for (auto [bx, by] : {std::pair{0, 0}, std::pair{2, 1}, std::pair{1, 0}}) {
        for (int dir : {0, 1}) {
            Board after = before;
            ASSERT_EQ(klmr_RotateBlock(&after, static_cast<uint8_t>(bx), static_cast<uint8_t>(by),
                                       static_cast<int8_t>(dir)),
                      0);
            const Pixels old = StillPicture(kPlayCenterX, kBoardCenterY, before, 30, 20);
            const Pixels now = StillPicture(kPlayCenterX, kBoardCenterY, after, 30, 20);
            const Pixels step0 = Draw(kPlayCenterX, kBoardCenterY, after, bx, by, dir, 0);
            const Pixels step9 = Draw(kPlayCenterX, kBoardCenterY, after, bx, by, dir, 9);
            EXPECT_EQ(step0, old) << bx << "," << by << " dir " << dir << ": "
                                  << FirstDifference(step0, old);
            EXPECT_EQ(step9, now) << bx << "," << by << " dir " << dir << ": "
                                  << FirstDifference(step9, now);
        }
    }
}

// Each tile of the block travels in a straight line from the cell it came from to its new
// cell: dW = step*W/9 and dH = step*H/9, truncated. Later columns cover earlier ones.
TEST_F(BoardViewTest, IntermediateStepsMoveEachTileAlongItsEdge) {
    const int w = 30, h = 20;
    UseSyntheticTiles(w, h);
    Board before = MakeBoard(3, 3);
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 3; ++y)
            before.cells[x][y] = static_cast<uint8_t>(1 + x * 3 + y);
    const int bx = 1, by = 1;
    for (int dir : {0, 1}) {
        Board after = before;
        ASSERT_EQ(klmr_RotateBlock(&after, bx, by, static_cast<int8_t>(dir)), 0);
        for (int step = 1; step <= 8; ++step) {
            const int dW = step * w / 9, dH = step * h / 9;
            Pixels expected = Snapshot(backBuffer);
            const Origin o = BoardOrigin(kPlayCenterX, kBoardCenterY, after, w, h);
            for (int x = 0; x < 3; ++x) {
                for (int y = 0; y < 3; ++y) {
                    const int v = after.cells[x][y];
                    int px = o.left + x * w, py = o.top + y * h;
                    if (x >= bx && y >= by) {
                        int fx = -1, fy = -1; // where tile v was before the turn
                        for (int sx = 0; sx < 3; ++sx)
                            for (int sy = 0; sy < 3; ++sy)
                                if (before.cells[sx][sy] == v) fx = sx, fy = sy;
                        ASSERT_EQ(std::abs(fx - x) + std::abs(fy - y), 1);
                        px = o.left + fx * w + (x - fx) * dW;
                        py = o.top + fy * h + (y - fy) * dH;
                    }
                    Paint(expected, kScreenWidth, kScreenHeight, px, py, w, h, TileColour(v));
                }
            }
            const Pixels got = Draw(kPlayCenterX, kBoardCenterY, after, bx, by, dir, step);
            EXPECT_EQ(got, expected)
                << "dir " << dir << " step " << step << ": " << FirstDifference(got, expected);
        }
    }
}

TEST_F(BoardViewTest, HorizontalOffsetsOfThirtyTwoPixelTilesFollowTheNinths) {
    UseSyntheticTiles(32, 32);
    Board b = MakeBoard(2, 2);
    b.cells[0][0] = 1, b.cells[1][0] = 2, b.cells[1][1] = 3, b.cells[0][1] = 4;
    ASSERT_EQ(klmr_RotateBlock(&b, 0, 0, 0), 0);
    ASSERT_EQ(b.cells[0][0], 2) << "counter-clockwise: the top-right tile moves left";
    const Origin o = BoardOrigin(kPlayCenterX, kBoardCenterY, b, 32, 32);
    const int dW[10] = {0, 3, 7, 10, 14, 17, 21, 24, 28, 32};
    for (int step = 0; step <= 9; ++step) {
        Draw(kPlayCenterX, kBoardCenterY, b, 0, 0, 0, step);
        int first = -1;
        for (int x = o.left; x < o.left + 64 && first < 0; ++x)
            if (PixelAt(screen, x, o.top) == TileColour(2)) first = x;
        EXPECT_EQ(first, o.left + 32 - dW[step]) << "step " << step;
    }
}

TEST_F(BoardViewTest, HolesInsideATurningBlockDrawNothing) {
    UseSyntheticTiles(32, 32);
    Board b = MakeBoard(2, 2);
    b.cells[0][0] = 3, b.cells[1][1] = 4; // the two other cells are holes
    const Pixels got = Draw(kPlayCenterX, kBoardCenterY, b, 0, 0, 1, 5);
    Pixels expected = Snapshot(backBuffer);
    const Origin o = BoardOrigin(kPlayCenterX, kBoardCenterY, b, 32, 32);
    const int d = 5 * 32 / 9;
    Paint(expected, kScreenWidth, kScreenHeight, o.left, o.top + 32 - d, 32, 32, TileColour(3));
    Paint(expected, kScreenWidth, kScreenHeight, o.left + 32, o.top + d, 32, 32, TileColour(4));
    EXPECT_EQ(got, expected) << FirstDifference(got, expected);
}

TEST_F(BoardViewTest, ValueAboveSixteenPrintsTheErrorLineAndStops) {
    UseSyntheticTiles(32, 32);
    Board b = MakeBoard(3, 3);
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 3; ++y)
            b.cells[x][y] = static_cast<uint8_t>(1 + x * 3 + y);
    b.cells[1][1] = 17;
    testing::internal::CaptureStdout();
    const Pixels got = Draw(kPlayCenterX, kBoardCenterY, b, 0, 0, 0, -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERRRRRRRRRRRRRRRRRRrror\n");

    // Column 0 and the cell above the bad one are drawn; nothing after it.
    Board drawn = b;
    drawn.cells[1][1] = drawn.cells[1][2] = 0;
    drawn.cells[2][0] = drawn.cells[2][1] = drawn.cells[2][2] = 0;
    const Pixels expected = StillPicture(kPlayCenterX, kBoardCenterY, drawn, 32, 32);
    EXPECT_EQ(got, expected) << FirstDifference(got, expected);

    testing::internal::CaptureStdout();
    Draw(kPlayCenterX, kBoardCenterY, b, 0, 0, 0, -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERRRRRRRRRRRRRRRRRRrror\n")
        << "every call tries again";
}

TEST_F(BoardViewTest, RestoreAndUpdateCoverExactlyTheBoardRectangle) {
    UseSyntheticTiles(31, 21);
    const Board b = MakeBoard(5, 3);
    SDL_FillRect(screen, nullptr, 0xffff);
    klmr_RestoreBoardArea(kPlayCenterX, kBoardCenterY, &b);
    klmr_UpdateBoardArea(kPlayCenterX, kBoardCenterY, &b);
    const Origin o = BoardOrigin(kPlayCenterX, kBoardCenterY, b, 31, 21);
    EXPECT_EQ(o.left, 490 - 77) << "half of 155 rounds down";
    Pixels expected(kScreenWidth * kScreenHeight, 0xffff);
    Paint(expected, kScreenWidth, kScreenHeight, o.left, o.top, 155, 63, kBackColour);
    const Pixels got = Snapshot(screen);
    EXPECT_EQ(got, expected) << FirstDifference(got, expected);
    ASSERT_EQ(sdlspy::Updates().size(), 1u);
    EXPECT_EQ(sdlspy::Updates()[0], (sdlspy::Update{screen, o.left, o.top, 155, 63}));
}

class CursorTest : public BoardViewTest {
  protected:
    static Uint16 FrameColour(int f) { return static_cast<Uint16>(0xc000 + f * 0x0101); }
    void SetUp() override {
        BoardViewTest::SetUp();
        imgRotate = MakeSurface(6 * 64, 64, 0);
        for (int f = 0; f < 6; ++f) {
            SDL_Rect r = {static_cast<Sint16>(64 * f), 0, 64, 64};
            SDL_FillRect(imgRotate, &r, FrameColour(f));
        }
    }
};

TEST_F(CursorTest, FramesRunUpAndDownHeldThreeCountsEach) {
    UseSyntheticTiles(32, 32);
    const Board b = MakeBoard(4, 4);
    const Origin o = BoardOrigin(kPlayCenterX, kBoardCenterY, b, 32, 32);
    const std::pair<unsigned, int> cases[] = {{0, 0},  {3, 1},  {15, 5},  {18, 5},  {30, 1},
                                              {32, 1}, {33, 0}, {329, 1}, {330, 0}, {17, 5}};
    for (auto [n, frame] : cases) {
        ResetScreens();
        klmr_DrawCursor(kPlayCenterX, kBoardCenterY, &b, 1, 2, n);
        const int x = o.left + 32, y = o.top + 64;
        EXPECT_EQ(PixelAt(screen, x, y), FrameColour(frame)) << "n = " << n;
        EXPECT_EQ(PixelAt(screen, x + 63, y + 63), FrameColour(frame)) << "n = " << n;
        EXPECT_EQ(PixelAt(screen, x - 1, y), kBackColour);
        EXPECT_EQ(PixelAt(screen, x, y - 1), kBackColour);
    }
    EXPECT_TRUE(sdlspy::Updates().empty());
}

TEST_F(CursorTest, SmallTilesClipTheCursorToTheBoardRectangle) {
    UseSyntheticTiles(16, 16);
    const Board b = MakeBoard(3, 3);
    const Origin o = BoardOrigin(kPlayCenterX, kBoardCenterY, b, 16, 16);
    klmr_DrawCursor(kPlayCenterX, kBoardCenterY, &b, 1, 1, 6); // frame 2
    Pixels expected = Snapshot(backBuffer);
    Paint(expected, kScreenWidth, kScreenHeight, o.left + 16, o.top + 16, 32, 32, FrameColour(2));
    const Pixels got = Snapshot(screen);
    EXPECT_EQ(got, expected) << FirstDifference(got, expected);

    ResetScreens();
    klmr_DrawCursor(kPlayCenterX, kBoardCenterY, &b, 3, 0, 0); // wholly outside the board
    EXPECT_EQ(Snapshot(screen), Snapshot(backBuffer));
}

class BlockAtPointTest : public GfxTest {
  protected:
    void SetUp() override {
        GfxTest::SetUp();
        UseSyntheticTiles(32, 32);
        board = MakeBoard(4, 4);
        for (int x = 0; x < 4; ++x)
            for (int y = 0; y < 4; ++y)
                board.cells[x][y] = 1;
    }
    // The block at the point relative to the board's top-left corner (426, 202), or (-1, -1).
    std::pair<int, int> At(int rx, int ry) {
        uint8_t bx = 99, by = 99;
        if (!klmr_BlockAtPoint(left + rx, top + ry, &board, &bx, &by)) return {-1, -1};
        return {bx, by};
    }
    Board board;
    const int left = 490 - 64, top = 266 - 64;
};

TEST_F(BlockAtPointTest, PointsOutsideTheBoardGiveFalseAndLeaveTheOutValues) {
    const std::pair<int, int> outside[] = {{-1, 50}, {128, 50}, {50, -1}, {50, 128}};
    for (auto [rx, ry] : outside) {
        uint8_t bx = 99, by = 98;
        EXPECT_FALSE(klmr_BlockAtPoint(left + rx, top + ry, &board, &bx, &by)) << rx << "," << ry;
        EXPECT_EQ(bx, 99);
        EXPECT_EQ(by, 98);
    }
    EXPECT_EQ(At(0, 50), std::pair(0, 1));
    EXPECT_EQ(At(127, 50), std::pair(2, 1));
    EXPECT_EQ(At(50, 0), std::pair(1, 0));
    EXPECT_EQ(At(50, 127), std::pair(1, 2));

    uint8_t v = 0;
    EXPECT_FALSE(klmr_BlockAtPoint(left + 50, top + 50, nullptr, &v, &v));
    EXPECT_FALSE(klmr_BlockAtPoint(left + 50, top + 50, &board, nullptr, &v));
    EXPECT_FALSE(klmr_BlockAtPoint(left + 50, top + 50, &board, &v, nullptr));
}

TEST_F(BlockAtPointTest, NearestCornerWinsAndTiesGoToTheLowerCorner) {
    EXPECT_EQ(At(1, 1), std::pair(0, 0)) << "corners 0, 1 and 3 lie outside";
    EXPECT_EQ(At(126, 126), std::pair(2, 2));
    EXPECT_EQ(At(48, 48), std::pair(0, 0)) << "centre of a cell: corner 0";
    // One pixel either side of the middle of cell (1, 1).
    EXPECT_EQ(At(47, 42), std::pair(0, 0));
    EXPECT_EQ(At(48, 42), std::pair(0, 0)) << "equal distance: corner 0 before corner 1";
    EXPECT_EQ(At(49, 42), std::pair(1, 0));
    EXPECT_EQ(At(42, 48), std::pair(0, 0)) << "equal distance: corner 0 before corner 3";
    EXPECT_EQ(At(42, 49), std::pair(0, 1));
    // Across a cell edge the shared corner stays the nearest.
    EXPECT_EQ(At(31, 40), std::pair(0, 0));
    EXPECT_EQ(At(32, 40), std::pair(0, 0));
}

TEST_F(BlockAtPointTest, BlocksWithHolesAreTriedInCornerOrder) {
    board.cells[0][0] = 0; // kills block (0, 0): corner 0 of cell (1, 1)
    EXPECT_EQ(At(48, 48), std::pair(1, 0));
    board.cells[2][0] = 0; // kills block (1, 0): corner 1
    EXPECT_EQ(At(48, 48), std::pair(1, 1));
    board.cells[2][1] = 0; // kills block (1, 1): corner 2
    EXPECT_EQ(At(48, 48), std::pair(0, 1));
    board.cells[0][2] = 0; // kills block (0, 1): corner 3, the last
    uint8_t bx = 99, by = 99;
    EXPECT_FALSE(klmr_BlockAtPoint(left + 48, top + 48, &board, &bx, &by));
}

TEST_F(BlockAtPointTest, TileWidthAndHeightKeepTheirRoles) {
    UseSyntheticTiles(30, 20);
    const int l = 490 - 60, t = 266 - 40;
    uint8_t bx = 0, by = 0;
    // Cell (1, 1); the bottom-left corner (30, 40) is the nearest.
    ASSERT_TRUE(klmr_BlockAtPoint(l + 44, t + 31, &board, &bx, &by));
    EXPECT_EQ(bx, 0);
    EXPECT_EQ(by, 1);
}

} // namespace
