// Level table and puzzle tests: levels load as tabled, codes, starting, advancing, solving.
#include "puzzle.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

Board Level(int i) {
    Board b{};
    EXPECT_EQ(klmr_BoardLoadLevel(&b, static_cast<uint8_t>(i)), 0);
    return b;
}

// Row y of a board, left to right, as "v v v".
std::string Row(const Board& b, int y) {
    std::string s;
    for (int x = 0; x < b.width; ++x)
        s += (x ? " " : "") + std::to_string(b.cells[x][y]);
    return s;
}

bool OutsideIsClear(const Board& b) {
    for (int x = 0; x < kBoardCells; ++x) {
        for (int y = 0; y < kBoardCells; ++y) {
            if ((x >= b.width || y >= b.height) && b.cells[x][y] != 0) return false;
        }
    }
    return true;
}

} // namespace

TEST(Levels, LoadWithTheirSizesAndPicturesRowByRow) {
    const Board first = Level(0);
    EXPECT_EQ(first.width, 4);
    EXPECT_EQ(first.height, 2);
    EXPECT_EQ(first.cells[0][0], 4);
    EXPECT_EQ(first.cells[1][1], 4);
    EXPECT_EQ(first.cells[2][0], 10);
    const Board l16 = Level(16);
    EXPECT_EQ(l16.cells[2][0], 9);
    EXPECT_EQ(l16.cells[0][2], 6);
    EXPECT_EQ(Row(l16, 3), "9 7 9 8 8 9 7 9");
    EXPECT_EQ(Row(Level(27), 4), "4 5 0 0 0 0 10 9");
    const Board last = Level(31);
    EXPECT_EQ(last.width, 7);
    EXPECT_EQ(last.height, 4);
    EXPECT_EQ(Row(last, 0), "3 7 4 0 4 7 3");
    EXPECT_EQ(Row(last, 3), "0 0 3 2 3 0 0");
    // Level 16's 64 cells begin at entry 409, row by row.
    EXPECT_EQ(0, memcmp(&levelTable.levelCells[409], "\0\0\x09\x09\x09\x09\0\0", 8));

    int cells = 0;
    for (int i = 0; i < kLevelCount; ++i) {
        Board b{};
        memset(&b, 0xAB, sizeof b); // the loader clears everything it does not fill
        ASSERT_EQ(klmr_BoardLoadLevel(&b, static_cast<uint8_t>(i)), 0);
        EXPECT_EQ(b.width, levelTable.levelDims[i].width);
        EXPECT_EQ(b.height, levelTable.levelDims[i].height);
        EXPECT_TRUE(OutsideIsClear(b)) << "level " << i;
        cells += b.width * b.height;
    }
    EXPECT_EQ(cells, 1119);
    EXPECT_EQ(levelTable.levelTimes[0], 20u);
    EXPECT_EQ(levelTable.levelTimes[29], 400u);
    EXPECT_EQ(levelTable.levelTimes[31], 120u);
}

TEST(Levels, LoadRefusesIndicesPastTheTable) {
    Board b = Level(5);
    const Board before = b;
    EXPECT_EQ(klmr_BoardLoadLevel(&b, 32), -1);
    EXPECT_EQ(klmr_BoardLoadLevel(&b, 255), -1);
    EXPECT_EQ(0, memcmp(&b, &before, sizeof b));
    EXPECT_EQ(klmr_BoardLoadLevel(nullptr, 0), -2);
}

TEST(Levels, CodesStartEachGroupOfFive) {
    const char* expected[] = {"plank", "ruvok", "mezzo", "tx4q8", "lirum", "9ombi", "fesko"};
    for (int i = 0; i < kLevelCodeCount; ++i)
        EXPECT_STREQ(LevelCodes[i], expected[i]);
    EXPECT_EQ(LevelCodes[kLevelCodeCount], nullptr);
}

TEST(Puzzle, StartLoadsBothBoardsAndOutOfRangeStartsLevelZero) {
    Puzzle p{};
    klmr_PuzzleInit(&p);
    for (uint8_t bad : {32, 255}) {
        EXPECT_EQ(klmr_PuzzleStart(&p, bad), 0);
        EXPECT_EQ(klmr_PuzzleLevel(&p), 0);
        EXPECT_EQ(p.timeLimit, 20u);
        EXPECT_EQ(p.current.width, 4);
    }
    EXPECT_EQ(klmr_PuzzleStart(&p, 17), 0);
    EXPECT_EQ(p.timeLimit, 80u);
    EXPECT_EQ(0, memcmp(&p.current, &p.target, sizeof(Board)));
    EXPECT_EQ(klmr_PuzzleStart(nullptr, 0), -1);
    EXPECT_EQ(klmr_PuzzleLevel(nullptr), 0);
    klmr_PuzzleFree(&p);
}

TEST(Puzzle, NextLevelWalksOnAndCountsPastTheEnd) {
    Puzzle p{};
    klmr_PuzzleStart(&p, 0);
    for (int i = 1; i < kLevelCount; ++i) {
        ASSERT_EQ(klmr_PuzzleNextLevel(&p), 0);
        EXPECT_EQ(klmr_PuzzleLevel(&p), i);
        EXPECT_EQ(p.timeLimit, levelTable.levelTimes[i]);
        EXPECT_TRUE(klmr_PuzzleSolved(&p));
    }
    EXPECT_EQ(klmr_PuzzleNextLevel(&p), 2);
    EXPECT_EQ(klmr_PuzzleLevel(&p), 32);
    EXPECT_EQ(p.current.width, 7);
    EXPECT_EQ(p.target.height, 4);
    EXPECT_EQ(p.timeLimit, 120u);
    EXPECT_EQ(klmr_PuzzleNextLevel(&p), 2);
    EXPECT_EQ(klmr_PuzzleLevel(&p), 33);
    // level is an 8-bit counter: from 255 it wraps to level 0, which loads again.
    p.level = 255;
    EXPECT_EQ(klmr_PuzzleNextLevel(&p), 0);
    EXPECT_EQ(p.timeLimit, 20u);
    EXPECT_EQ(klmr_PuzzleNextLevel(nullptr), -2);
}

TEST(Puzzle, SolvedFollowsTheTurns) {
    Puzzle p{};
    klmr_PuzzleStart(&p, 0);
    EXPECT_TRUE(klmr_PuzzleSolved(&p));
    ASSERT_EQ(klmr_RotateBlock(&p.current, 1, 0, 1), 0); // 4 10 / 4 10: not uniform
    EXPECT_FALSE(klmr_PuzzleSolved(&p));
    ASSERT_EQ(klmr_RotateBlock(&p.current, 1, 0, 0), 0);
    EXPECT_TRUE(klmr_PuzzleSolved(&p));
    EXPECT_FALSE(klmr_PuzzleSolved(nullptr));
}
