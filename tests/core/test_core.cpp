// Core tests: turns and scrambling over every level, the scramble's rand() draws, levels, puzzle.
#include "puzzle.h"

#include <climits>
#include <cstring>
#include <deque>
#include <dlfcn.h>
#include <gtest/gtest.h>

// Replaces rand() for the whole binary: counts the calls and returns scripted values first.
static int randCalls = 0;
static std::deque<int> randScript;
extern "C" int rand() noexcept {
    static const auto real = reinterpret_cast<int (*)()>(dlsym(RTLD_NEXT, "rand"));
    ++randCalls;
    if (randScript.empty()) return real();
    const int v = randScript.front();
    randScript.pop_front();
    return v;
}

namespace {

Board Level(int i) {
    Board b{};
    EXPECT_EQ(klmr_BoardLoadLevel(&b, static_cast<uint8_t>(i)), 0);
    return b;
}

const auto Same = [](const Board& a, const Board& b) { return memcmp(&a, &b, sizeof a) == 0; };
// Boards are written column by column: {{column 0}, {column 1}, ...}, width, height.
const Board kSquare{{{1, 4}, {2, 3}}, 2, 2}; // TL 1, TR 2, BR 3, BL 4

} // namespace

TEST(Board, CompareBlockTestQuarterTurnsAndDump) {
    const Board a = Level(3); // 4 x 6, holes in columns 0 and 3 of rows 0, 1, 4, 5
    Board b = a;
    b.cells[0][0] = b.cells[3][1] = 9;
    EXPECT_EQ(klmr_BoardCompare(&a, &b), 2);
    EXPECT_EQ(klmr_BoardCompare(&a, &kSquare), -2); // sizes differ
    // Blocks at x = width - 1 or y = height - 1 do not fit; (0, 0) has a hole. No int is too
    // large or too small for the test.
    const std::array<int, 3> blocks[] = {
        {-1, 2, 0}, {1, -1, 0},      {3, 2, 0},       {1, 5, 0},       {0, 0, 0},      {0, 2, 1},
        {1, 0, 1},  {INT_MAX, 2, 0}, {1, INT_MAX, 0}, {INT_MIN, 2, 0}, {1, INT_MIN, 0}};
    for (auto [x, y, valid] : blocks)
        EXPECT_EQ(klmr_BlockValid(&a, x, y), valid) << x << "," << y;

    b = kSquare;
    EXPECT_EQ(klmr_RotateBlock(&b, 0, 0, 1), 0); // clockwise on screen: TL takes BL's tile
    EXPECT_TRUE(Same(b, Board{{{4, 3}, {1, 2}}, 2, 2}));
    EXPECT_EQ(klmr_RotateBlock(&b, 0, 0, 0), 0);
    EXPECT_TRUE(Same(b, kSquare));
    EXPECT_EQ(klmr_RotateBlock(&b, 1, 0, 1), -1);

    const Board empty{}, negative{{{200}, {16}}, 2, 1};
    testing::internal::CaptureStdout();
    for (const Board* d : {&kSquare, &empty, static_cast<const Board*>(nullptr), &negative})
        klmr_BoardDump(d);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[fdbg] ( 1 4 2 3 )\n[fdbg] ( )\n[fdbg] NULL ptr to obj!\n[fdbg] ( -56 16 )\n");
}

TEST(Board, OnEveryLevelTurnsRestoreAndScrambleStepsUndo) {
    for (int level = 0; level < kLevelCount; ++level) {
        const Board start = Level(level);
        for (uint8_t x = 0; x < start.width; ++x) {
            for (uint8_t y = 0; y < start.height; ++y) {
                Board b = start;
                const int result = klmr_BlockValid(&b, x, y) ? 0 : -1;
                for (int i = 0; i < 8; ++i) // four turns each way; refused turns change nothing
                    EXPECT_EQ(klmr_RotateBlock(&b, x, y, i < 4), result);
                EXPECT_TRUE(Same(b, start)) << level << ": " << +x << "," << +y;
            }
        }
        // A scramble step turns a block with no hole and unequal tiles (so the board changes);
        // the opposite turn undoes it.
        srand(static_cast<unsigned>(level) + 1);
        Board b = start;
        for (int step = 0; step < 64; ++step) {
            uint8_t x = 99, y = 99;
            const int dir = klmr_ScrambleStep(&b, &x, &y);
            EXPECT_GT(klmr_BoardCompare(&b, &start), 0);
            EXPECT_EQ(klmr_RotateBlock(&b, x, y, static_cast<int8_t>(1 - dir)), 0);
            ASSERT_TRUE(Same(b, start)) << level;
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
    EXPECT_TRUE(randCalls == 5 && x == 1 && y == 0);
    EXPECT_EQ(b.cells[1][0], 4); // clockwise: TL takes the old BL

    // Null pointers and empty boards draw nothing; with no turnable block, 999 tries of two
    // draws, and x and y are not written.
    randCalls = 0;
    EXPECT_EQ(klmr_ScrambleStep(nullptr, &x, &y), -2);
    EXPECT_EQ(klmr_ScrambleStep(&b, nullptr, &y), -2);
    EXPECT_EQ(klmr_ScrambleStep(&b, &x, nullptr), -2);
    for (Board flat : {Board{{}, 0, 3}, Board{{}, 3, 0}})
        EXPECT_EQ(klmr_ScrambleStep(&flat, &x, &y), -1);
    b = Board{{{7, 7}, {7, 7}}, 2, 2};
    EXPECT_EQ(klmr_ScrambleStep(&b, &x, &y), -1);
    EXPECT_TRUE(randCalls == 1998 && x == 1 && y == 0);
}

TEST(Levels, TableCodesAndPuzzle) {
    // The loader clears the rest of the board and stores the table's rows as cells[x][y].
    Board b;
    memset(&b, 0xAB, sizeof b);
    EXPECT_EQ(klmr_BoardLoadLevel(&b, 0), 0);
    const Board level0{{{4, 4}, {4, 4}, {10, 10}, {10, 10}}, 4, 2};
    EXPECT_TRUE(Same(b, level0));
    const Board l16 = Level(16), last = Level(31);
    EXPECT_TRUE(l16.width == 8 && l16.cells[2][0] == 9 && l16.cells[0][2] == 6);
    EXPECT_TRUE(last.width == 7 && last.height == 4 && last.cells[3][3] == 2);
    EXPECT_TRUE(levelTable.levelTimes[0] == 20 && levelTable.levelTimes[29] == 400);
    EXPECT_EQ(klmr_BoardLoadLevel(&b, 32), -1);
    EXPECT_TRUE(Same(b, level0));
    const char* codes[] = {"plank", "ruvok", "mezzo", "tx4q8", "lirum", "9ombi", "fesko", nullptr};
    for (int i = 0; i <= kLevelCodeCount; ++i)
        EXPECT_STREQ(LevelCodes[i], codes[i]);

    Puzzle p{};
    EXPECT_EQ(klmr_PuzzleStart(&p, 32), 0); // out of range: level 0
    EXPECT_TRUE(klmr_PuzzleLevel(&p) == 0 && Same(p.current, level0) && p.timeLimit == 20);
    ASSERT_EQ(klmr_RotateBlock(&p.current, 1, 0, 1), 0); // 4 10 / 4 10: not uniform
    EXPECT_FALSE(klmr_PuzzleSolved(&p));
    for (int i = 1; i < kLevelCount; ++i) {
        ASSERT_EQ(klmr_PuzzleNextLevel(&p), 0);
        EXPECT_TRUE(klmr_PuzzleLevel(&p) == i && Same(p.target, Level(i)) && klmr_PuzzleSolved(&p));
    }
    // Past the last level: 2, boards and limit stay, level counts on as an 8-bit value.
    EXPECT_EQ(klmr_PuzzleNextLevel(&p), 2);
    EXPECT_TRUE(klmr_PuzzleNextLevel(&p) == 2 && klmr_PuzzleLevel(&p) == 33);
    EXPECT_TRUE(Same(p.current, Level(31)) && Same(p.target, Level(31)) && p.timeLimit == 120);
    p.level = 255;
    EXPECT_EQ(klmr_PuzzleNextLevel(&p), 0);
    EXPECT_TRUE(Same(p.target, Level(0)) && p.timeLimit == 20);
}
