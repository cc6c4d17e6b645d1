// Core tests: turns and scrambling over every level, the scramble's rand() draws, levels, puzzle.
#include "puzzle.h"

#include <climits>
#include <cstring>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <vector>

// Replaces rand() for the whole binary: counts the calls, and the first ones since the count was
// reset return the scripted values.
static int randCalls = 0;
static std::vector<int> randScript;
extern "C" int rand() noexcept {
    static const auto real = reinterpret_cast<int (*)()>(dlsym(RTLD_NEXT, "rand"));
    const size_t i = static_cast<size_t>(randCalls++);
    return i < randScript.size() ? randScript[i] : real();
}

// Whole records compared, so that a cell written outside the picture counts too.
bool operator==(const Board& a, const Board& b) {
    return memcmp(&a, &b, sizeof a) == 0;
}

static Board Level(int i) {
    Board b{};
    EXPECT_EQ(klmr_BoardLoadLevel(&b, static_cast<uint8_t>(i)), 0);
    return b;
}

TEST(Board, CompareBlockTestQuarterTurnAndDump) {
    const Board a = Level(3); // 4 x 6, holes in columns 0 and 3 of rows 0, 1, 4, 5
    Board b = a;
    b.cells[0][0] = b.cells[3][1] = 9;
    EXPECT_EQ(klmr_BoardCompare(&a, &b), 2);
    // Blocks at x = width - 1 or y = height - 1 do not fit; (0, 0) has a hole. No int overflows.
    const std::array<int, 3> blocks[] = {
        {-1, 2, 0}, {1, -1, 0},      {3, 2, 0},       {1, 5, 0},       {0, 0, 0},      {0, 2, 1},
        {1, 0, 1},  {INT_MAX, 2, 0}, {1, INT_MAX, 0}, {INT_MIN, 2, 0}, {1, INT_MIN, 0}};
    for (auto [x, y, valid] : blocks)
        EXPECT_EQ(klmr_BlockValid(&a, x, y), valid) << x << "," << y;

    b = Board{{{1, 4}, {2, 3}}, 2, 2};           // column by column: TL 1, BL 4, TR 2, BR 3
    EXPECT_EQ(klmr_RotateBlock(&b, 0, 0, 1), 0); // clockwise on screen: TL takes BL's tile
    EXPECT_EQ(b, (Board{{{4, 3}, {1, 2}}, 2, 2}));

    testing::internal::CaptureStdout();
    klmr_BoardDump(&(b = Board{{{200}, {16}}, 2, 1}));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "[fdbg] ( -56 16 )\n");
}

// Four turns restore a board, refused ones change nothing; the opposite turn undoes a scramble.
TEST(Board, OnEveryLevelTurnsRestoreAndScrambleStepsUndo) {
    for (int level = 0; level < kLevelCount; ++level) {
        const Board start = Level(level);
        for (int c = 0; c < start.width * start.height; ++c) {
            const uint8_t x = static_cast<uint8_t>(c % start.width), y = c / start.width & 0xff;
            Board b = start;
            const int result = klmr_BlockValid(&b, x, y) ? 0 : -1;
            for (int i = 0; i < 8; ++i)
                EXPECT_EQ(klmr_RotateBlock(&b, x, y, i < 4), result);
            EXPECT_EQ(b, start) << level << ": " << +x << "," << +y;
        }
        srand(static_cast<unsigned>(level) + 1);
        Board b = start;
        for (int step = 0; step < 64; ++step) {
            uint8_t x = 99, y = 99;
            const int dir = klmr_ScrambleStep(&b, &x, &y);
            EXPECT_GT(klmr_BoardCompare(&b, &start), 0);
            EXPECT_EQ(klmr_RotateBlock(&b, x, y, static_cast<int8_t>(1 - dir)), 0);
            ASSERT_EQ(b, start) << level;
        }
    }
}

TEST(Board, ScrambleDrawsXThenYPerTryThenTheDirection) {
    Board b{{{1, 2}, {3, 4}, {5, 6}}, 3, 2};
    uint8_t x = 0, y = 0;
    // Try 1: x = 5 % 3 = 2, the last column, rejected. Try 2: (4 % 3, 2 % 2). Then 10 is even.
    randCalls = 0;
    randScript = {5, 7, 4, 2, 10};
    EXPECT_EQ(klmr_ScrambleStep(&b, &x, &y), 1);
    EXPECT_EQ(std::tuple(randCalls, +x, +y), std::tuple(5, 1, 0));
    // Null and empty boards draw nothing; with no turnable block, 999 tries, x and y unwritten.
    randCalls = 0;
    EXPECT_EQ(klmr_ScrambleStep(nullptr, &x, &y), -2);
    for (Board flat : {Board{{}, 0, 3}, Board{{}, 3, 0}, Board{{{7, 7}, {7, 7}}, 2, 2}})
        EXPECT_EQ(klmr_ScrambleStep(&flat, &x, &y), -1);
    EXPECT_EQ(std::tuple(randCalls, +x, +y), std::tuple(1998, 1, 0));
}

TEST(Levels, TableCodesAndPuzzle) {
    Board b = Level(8); // 6 x 6: the loader clears the rest of the board
    EXPECT_EQ(std::pair(klmr_BoardLoadLevel(&b, 0), klmr_BoardLoadLevel(&b, 32)), std::pair(0, -1));
    const Board first{{{4, 4}, {4, 4}, {10, 10}, {10, 10}}, 4, 2};
    EXPECT_EQ(b, first);
    EXPECT_STREQ(LevelCodes[2], "mezzo"); // the code that starts level index 10

    Puzzle p{};
    // A null puzzle is refused; an index out of range starts level 0.
    EXPECT_EQ(std::pair(klmr_PuzzleStart(nullptr, 0), klmr_PuzzleStart(&p, 32)), std::pair(-1, 0));
    EXPECT_EQ(std::tuple(+klmr_PuzzleLevel(&p), p.timeLimit, p.current), std::tuple(0, 20u, first));
    ASSERT_EQ(klmr_RotateBlock(&p.current, 1, 0, 1), 0); // 4 10 / 4 10: not uniform
    EXPECT_FALSE(klmr_PuzzleSolved(&p));
    for (int i = 1; i < kLevelCount; ++i)
        ASSERT_EQ(klmr_PuzzleNextLevel(&p), 0) << i;
    EXPECT_EQ(klmr_PuzzleNextLevel(&p), 2); // past the last: the last stays, level counts on
    EXPECT_EQ(klmr_PuzzleNextLevel(&p), 2);
    EXPECT_EQ(std::tuple(+p.level, p.timeLimit, p.target), std::tuple(33, 120u, Level(31)));
}
