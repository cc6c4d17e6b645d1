// Board tests: comparison, block test, quarter turns over every level, scrambling and its use
// of rand(), and the debug print.
#include "board.h"
#include "puzzle.h"
#include "rand_spy.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

// A board of the given size whose cells (column-major) come from values.
Board MakeBoard(uint8_t w, uint8_t h, std::initializer_list<uint8_t> columnMajor) {
    Board b{};
    b.width = w;
    b.height = h;
    auto v = columnMajor.begin();
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y < h; ++y)
            b.cells[x][y] = *v++;
    }
    return b;
}

Board Level(int i) {
    Board b{};
    EXPECT_EQ(klmr_BoardLoadLevel(&b, static_cast<uint8_t>(i)), 0);
    return b;
}

bool Same(const Board& a, const Board& b) {
    return memcmp(&a, &b, sizeof a) == 0;
}

// The 2x2 board TL = 1, TR = 2, BR = 3, BL = 4.
const Board kSquare = MakeBoard(2, 2, {1, 4, 2, 3});

} // namespace

TEST(Board, CompareCountsDifferingCellsOfEqualSizesOnly) {
    const Board a = Level(0);
    EXPECT_EQ(klmr_BoardCompare(&a, &a), 0);
    Board b = a;
    b.cells[0][0] = 9;
    b.cells[3][1] = 9;
    EXPECT_EQ(klmr_BoardCompare(&a, &b), 2);
    const Board wide = MakeBoard(4, 2, {1, 2, 3, 4, 5, 6, 7, 8});
    const Board tall = MakeBoard(2, 4, {1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(klmr_BoardCompare(&wide, &tall), -2);
    EXPECT_EQ(klmr_BoardCompare(&a, nullptr), -2);
    EXPECT_EQ(klmr_BoardCompare(nullptr, &a), -2);
    Board empty{}, emptyOther{};
    emptyOther.cells[0][0] = 5; // outside the 0 x 0 rectangle: not looked at
    EXPECT_EQ(klmr_BoardCompare(&empty, &emptyOther), 0);
}

TEST(Board, BlockValidNeedsAnInsideBlockWithoutHoles) {
    const Board b = Level(3); // 4 x 6, holes in columns 0 and 3 of rows 0, 1, 4, 5
    EXPECT_FALSE(klmr_BlockValid(nullptr, 0, 0));
    EXPECT_FALSE(klmr_BlockValid(&b, -1, 2));
    EXPECT_FALSE(klmr_BlockValid(&b, 1, -1));
    EXPECT_FALSE(klmr_BlockValid(&b, 3, 2)); // x = width - 1
    EXPECT_FALSE(klmr_BlockValid(&b, 1, 5)); // y = height - 1
    EXPECT_FALSE(klmr_BlockValid(&b, 0, 0)); // hole
    EXPECT_TRUE(klmr_BlockValid(&b, 0, 2));
    EXPECT_TRUE(klmr_BlockValid(&b, 1, 0));
    const Board full = Level(4);
    for (int x = 0; x + 1 < full.width; ++x) {
        for (int y = 0; y + 1 < full.height; ++y)
            EXPECT_TRUE(klmr_BlockValid(&full, x, y));
    }
}

TEST(Board, QuarterTurnsMoveCornersAsSeenOnScreen) {
    Board b = kSquare;
    EXPECT_EQ(klmr_RotateBlock(&b, 0, 0, 1), 0);
    EXPECT_TRUE(Same(b, MakeBoard(2, 2, {4, 3, 1, 2}))); // TL 4, TR 1, BR 2, BL 3
    b = kSquare;
    EXPECT_EQ(klmr_RotateBlock(&b, 0, 0, 0), 0);
    EXPECT_TRUE(Same(b, MakeBoard(2, 2, {2, 1, 3, 4}))); // TL 2, TR 3, BR 4, BL 1
    b = kSquare;
    EXPECT_EQ(klmr_RotateBlock(&b, 0, 0, 2), 0);
    EXPECT_EQ(klmr_RotateBlock(&b, 0, 0, -1), 0);
    EXPECT_TRUE(Same(b, kSquare));
    EXPECT_EQ(klmr_RotateBlock(&b, 1, 0, 1), -1);
    EXPECT_EQ(klmr_RotateBlock(&b, 0, 1, 1), -1);
    EXPECT_EQ(klmr_RotateBlock(&b, 255, 255, 1), -1);
    EXPECT_EQ(klmr_RotateBlock(nullptr, 0, 0, 1), -2);
    Board holed = kSquare;
    holed.cells[1][1] = 0;
    const Board before = holed;
    EXPECT_EQ(klmr_RotateBlock(&holed, 0, 0, 1), -1);
    EXPECT_TRUE(Same(holed, before));
}

TEST(Board, TurnsOnEveryLevelRestoreOrAreRefused) {
    for (int level = 0; level < kLevelCount; ++level) {
        const Board start = Level(level);
        for (uint8_t x = 0; x < start.width; ++x) {
            for (uint8_t y = 0; y < start.height; ++y) {
                Board b = start;
                if (!klmr_BlockValid(&b, x, y)) {
                    EXPECT_EQ(klmr_RotateBlock(&b, x, y, 1), -1);
                    EXPECT_TRUE(Same(b, start));
                    continue;
                }
                for (int8_t dir : {0, 1}) {
                    for (int i = 0; i < 4; ++i)
                        EXPECT_EQ(klmr_RotateBlock(&b, x, y, dir), 0);
                    EXPECT_TRUE(Same(b, start)) << "level " << level << " four turns " << +dir;
                }
                klmr_RotateBlock(&b, x, y, 1);
                klmr_RotateBlock(&b, x, y, 0);
                EXPECT_TRUE(Same(b, start)) << "level " << level << " block " << +x << "," << +y;
            }
        }
    }
}

TEST(Board, ScrambleStepsTurnOnlyDifferingBlocksAndUndoWithTheOppositeTurn) {
    for (int level = 0; level < kLevelCount; ++level) {
        srand(static_cast<unsigned>(level) + 1);
        Board b = Level(level);
        for (int step = 0; step < b.width * b.height; ++step) {
            const Board before = b;
            uint8_t x = 99, y = 99;
            const int dir = klmr_ScrambleStep(&b, &x, &y);
            ASSERT_TRUE(dir == 0 || dir == 1) << "level " << level;
            ASSERT_TRUE(klmr_BlockValid(&before, x, y));
            const uint8_t v = before.cells[x][y];
            EXPECT_FALSE(before.cells[x + 1][y] == v && before.cells[x + 1][y + 1] == v &&
                         before.cells[x][y + 1] == v)
                << "uniform block turned on level " << level;
            Board expect = before;
            klmr_RotateBlock(&expect, x, y, static_cast<int8_t>(dir));
            EXPECT_TRUE(Same(b, expect));
            Board undone = b;
            klmr_RotateBlock(&undone, x, y, static_cast<int8_t>(1 - dir));
            EXPECT_TRUE(Same(undone, before));
        }
    }
}

TEST(Board, ScrambleDrawsTwiceATryThenOnceForTheDirection) {
    Board b = MakeBoard(3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    uint8_t x = 0, y = 0;
    // Try 1: x = 5 % 3 = 2, the last column, rejected. Try 2: (1, 0). Then 10 is even.
    randspy::Reset();
    randspy::Script({5, 7, 4, 3, 10});
    EXPECT_EQ(klmr_ScrambleStep(&b, &x, &y), 1);
    EXPECT_EQ(randspy::Calls(), 5u);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(b.cells[1][0], 5); // clockwise: TL takes the old BL
    randspy::Reset();
    randspy::Script({0, 1, 7});
    EXPECT_EQ(klmr_ScrambleStep(&b, &x, &y), 0);
    EXPECT_EQ(randspy::Calls(), 3u);
    EXPECT_EQ(y, 1);
    randspy::Reset();
}

TEST(Board, ScrambleWithoutATurnableBlockGivesUpAfter1998Draws) {
    const Board boards[] = {
        MakeBoard(2, 2, {7, 7, 7, 7}),
        MakeBoard(2, 2, {1, 2, 0, 3}),
        MakeBoard(3, 3, {4, 4, 0, 4, 4, 0, 0, 0, 9}),
    };
    for (const Board& start : boards) {
        Board b = start;
        uint8_t x = 42, y = 43;
        randspy::Reset();
        EXPECT_EQ(klmr_ScrambleStep(&b, &x, &y), -1);
        EXPECT_EQ(randspy::Calls(), 1998u);
        EXPECT_EQ(x, 42);
        EXPECT_EQ(y, 43);
        EXPECT_TRUE(Same(b, start));
    }
    // Null pointers and empty boards draw nothing.
    Board b = kSquare;
    uint8_t x = 0, y = 0;
    randspy::Reset();
    EXPECT_EQ(klmr_ScrambleStep(nullptr, &x, &y), -2);
    EXPECT_EQ(klmr_ScrambleStep(&b, nullptr, &y), -2);
    EXPECT_EQ(klmr_ScrambleStep(&b, &x, nullptr), -2);
    Board flat = MakeBoard(0, 3, {});
    EXPECT_EQ(klmr_ScrambleStep(&flat, &x, &y), -1);
    flat = MakeBoard(3, 0, {});
    EXPECT_EQ(klmr_ScrambleStep(&flat, &x, &y), -1);
    EXPECT_EQ(randspy::Calls(), 0u);
}

TEST(Board, DumpPrintsColumnByColumn) {
    const Board empty{};
    const Board negative = MakeBoard(2, 1, {200, 16});
    testing::internal::CaptureStdout();
    klmr_BoardDump(&kSquare);
    klmr_BoardDump(&empty);
    klmr_BoardDump(nullptr);
    klmr_BoardDump(&negative);
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[fdbg] ( 1 4 2 3 )\n[fdbg] ( )\n[fdbg] NULL ptr to obj!\n[fdbg] ( -56 16 )\n");
}
